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
set(GLITZ_TEST_SUPPORT_SOURCES ${CMAKE_SOURCE_DIR}/tests/linux/open_watch_inotify.cpp)   # the kernel's view
# platform/posix: files and sockets; desktop: SDL 1.2's window with GLU and threads; linux: X11's
# clipboard and display, POSIX audio threads, the game's entry (main() calls SDL_main).
set(GLITZ_PLATFORM_BACKENDS posix desktop linux)
set(GLITZ_BUNDLED_SOURCES)   # stb_image's code comes with Debian's libstb
set(GLITZ_ENTRY_LIBS)
set(GLITZ_ENTRY_LINK_OPTIONS)
