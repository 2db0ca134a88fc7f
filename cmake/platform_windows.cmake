# platform_windows.cmake - Windows through mingw-w64 (cmake/toolchain-mingw64.cmake): the static
# libraries tools/cross/deps.sh built from Debian's sources, the Win32 clipboard, Windows Sockets,
# and SDL's own process entry (libSDLmain), which writes stdout.txt and stderr.txt.
foreach(prefix IN LISTS GLITZ_CROSS_PREFIXES)
  include_directories(SYSTEM ${prefix}/include)   # <SDL/SDL.h> as well as SDL's own <SDL.h>
  link_directories(${prefix}/lib)          # the sound tests' -lvorbisenc
endforeach()
pkg_check_modules(SDL REQUIRED sdl)
pkg_check_modules(VORBISFILE REQUIRED vorbisfile)
pkg_check_modules(XMP REQUIRED libxmp)
pkg_check_modules(SNDFILE REQUIRED sndfile)
find_package(OpenGL REQUIRED)

# Every module's static link flags and include folders. SDL's entry part (-lmingw32 -lSDLmain
# -mwindows) goes to the game alone: the test programs keep GoogleTest's console main().
set(GLITZ_PLATFORM_LIBS)
set(GLITZ_PLATFORM_INCLUDES)
foreach(module SDL VORBISFILE XMP SNDFILE)
  foreach(flag IN LISTS ${module}_STATIC_LDFLAGS)
    if(NOT flag MATCHES "^-l(mingw32|SDLmain)$" AND NOT flag STREQUAL "-mwindows")
      list(APPEND GLITZ_PLATFORM_LIBS ${flag})
    endif()
  endforeach()
  list(APPEND GLITZ_PLATFORM_INCLUDES ${${module}_STATIC_INCLUDE_DIRS})
endforeach()
list(APPEND GLITZ_PLATFORM_LIBS OpenGL::GL OpenGL::GLU ws2_32 user32 gdi32 winmm)
include_directories(SYSTEM ${GLITZ_PLATFORM_INCLUDES})   # their headers' warnings are not ours
add_compile_definitions(BUILDING_STATIC    # xmp.h: the static libxmp, not its DLL
  _USE_MATH_DEFINES)                       # M_PI in strict C++17 mode

set(GLITZ_TEST_PIECES win32)   # tests/test_*_win32.cpp are built here
set(GLITZ_TEST_SUPPORT_SOURCES)   # none: test_files, which watches file opening, is not built here
set(GLITZ_PLATFORM_SOURCES
  ${CMAKE_SOURCE_DIR}/app/platform_windows.cpp
  ${CMAKE_SOURCE_DIR}/app/driver_sdl12.cpp
  ${CMAKE_SOURCE_DIR}/gui/clipboard_win32.cpp
  ${CMAKE_SOURCE_DIR}/util/file_open_windows.cpp
  ${CMAKE_SOURCE_DIR}/sound/audio_thread_windows.cpp
  ${CMAKE_SOURCE_DIR}/gfx/mipmap_glu.cpp
  ${CMAKE_SOURCE_DIR}/gfx/worker_threads.cpp
  ${CMAKE_SOURCE_DIR}/ext/stb_image.c)
set(GLITZ_ENTRY_SOURCES app/main_windows.cpp)
set(GLITZ_ENTRY_LIBS -lmingw32 -lSDLmain -mwindows)
set(GLITZ_ENTRY_LINK_OPTIONS)
