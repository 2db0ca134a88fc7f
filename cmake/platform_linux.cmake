# SPDX-License-Identifier: Zlib
# platform_linux.cmake - Linux: Debian's shared libraries, X11 for the clipboard, POSIX files.
pkg_check_modules(SDL REQUIRED IMPORTED_TARGET sdl)
pkg_check_modules(VORBISFILE REQUIRED IMPORTED_TARGET vorbisfile)
pkg_check_modules(XMP REQUIRED IMPORTED_TARGET libxmp)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
find_package(OpenGL REQUIRED)
find_package(X11 REQUIRED)

set(GLITZ_PLATFORM_LIBS PkgConfig::SDL PkgConfig::VORBISFILE PkgConfig::XMP PkgConfig::SNDFILE
  OpenGL::GL OpenGL::GLU X11::X11 stb m)   # stb: Debian's libstb holds stb_image's code
set(GLITZ_TEST_PIECES x11)   # tests/test_*_x11.cpp are built here
set(GLITZ_TEST_SUPPORT_SOURCES ${CMAKE_SOURCE_DIR}/tests/linux/open_watch_inotify.cpp)   # the kernel's view
set(GLITZ_PLATFORM_SOURCES
  ${CMAKE_SOURCE_DIR}/app/platform_linux.cpp
  ${CMAKE_SOURCE_DIR}/app/platform_posix.cpp
  ${CMAKE_SOURCE_DIR}/app/driver_sdl12.cpp
  ${CMAKE_SOURCE_DIR}/gui/clipboard_x11.cpp
  ${CMAKE_SOURCE_DIR}/util/file_open_posix.cpp
  ${CMAKE_SOURCE_DIR}/gfx/mipmap_glu.cpp
  ${CMAKE_SOURCE_DIR}/gfx/worker_threads.cpp
  ${CMAKE_SOURCE_DIR}/sound/audio_thread_posix.cpp)
# SDL 1.2 has no entry of its own here: main() calls SDL_main.
set(GLITZ_ENTRY_SOURCES app/main_linux.cpp)
set(GLITZ_ENTRY_LIBS)
set(GLITZ_ENTRY_LINK_OPTIONS)
