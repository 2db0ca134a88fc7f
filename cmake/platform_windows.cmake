# SPDX-License-Identifier: Zlib
# platform_windows.cmake - Windows through mingw-w64 (cmake/toolchain-mingw64.cmake): the
# libraries tools/cross/deps.sh built from Debian's sources (SDL 1.2, libxmp and libsndfile as DLLs
# beside the programs, libvorbisfile and libogg static), the Win32 clipboard, Windows Sockets, and
# SDL's own process entry (libSDLmain, static), which writes stdout.txt and stderr.txt.
# GLITZ_RUNTIME_DLLS lists the DLLs; target glitz_dlls copies them into the folders of the
# programs run here (the build folder, tests/) and GLITZ_ENTRY_LINK_OPTIONS writes the game's link
# map, <build>/glitzfall.map.
foreach(prefix IN LISTS GLITZ_CROSS_PREFIXES)
  include_directories(SYSTEM ${prefix}/include)   # <SDL/SDL.h> as well as SDL's own <SDL.h>
  link_directories(${prefix}/lib)          # the sound tests' -lvorbisenc
endforeach()
pkg_check_modules(SDL REQUIRED sdl)
pkg_check_modules(VORBISFILE REQUIRED vorbisfile)
pkg_check_modules(XMP REQUIRED libxmp)
pkg_check_modules(SNDFILE REQUIRED sndfile)
find_package(OpenGL REQUIRED)

# Link flags and include folders. SDL's entry part (-lmingw32 -lSDLmain -mwindows) goes to the
# game alone: the test programs keep GoogleTest's console main(). A DLL's library is named by its
# import library's path: the programs link with -static, where -lSDL would look for libSDL.a.
set(GLITZ_PLATFORM_LIBS)
set(GLITZ_PLATFORM_INCLUDES)
set(GLITZ_RUNTIME_DLLS)
foreach(module SDL XMP SNDFILE)
  set(implib "")
  foreach(flag IN LISTS ${module}_LDFLAGS)
    if(flag MATCHES "^-l(mingw32|SDLmain)$" OR flag STREQUAL "-mwindows")
      continue()
    endif()
    string(REGEX REPLACE "^-l(.+)$" "${${module}_LIBDIR}/lib\\1.dll.a" lib ${flag})
    if(NOT lib STREQUAL flag AND EXISTS ${lib})
      set(implib ${lib})
      list(APPEND GLITZ_PLATFORM_LIBS ${implib})
    else()
      list(APPEND GLITZ_PLATFORM_LIBS ${flag})
    endif()
  endforeach()
  file(GLOB dll ${${module}_PREFIX}/bin/*.dll)
  list(LENGTH dll n)
  if(NOT implib OR NOT n EQUAL 1)
    message(FATAL_ERROR "${${module}_PREFIX} holds no DLL with its import library: "
      "tools/cross/deps.sh windows builds ${module} as one")
  endif()
  list(APPEND GLITZ_RUNTIME_DLLS ${dll})
  list(APPEND GLITZ_PLATFORM_INCLUDES ${${module}_INCLUDE_DIRS})
endforeach()
list(APPEND GLITZ_PLATFORM_LIBS ${VORBISFILE_STATIC_LDFLAGS})   # libvorbisfile, libvorbis, libogg
list(APPEND GLITZ_PLATFORM_INCLUDES ${VORBISFILE_STATIC_INCLUDE_DIRS})
list(APPEND GLITZ_PLATFORM_LIBS OpenGL::GL OpenGL::GLU ws2_32 user32 gdi32 winmm)
include_directories(SYSTEM ${GLITZ_PLATFORM_INCLUDES})   # their headers' warnings are not ours
add_compile_definitions(_USE_MATH_DEFINES)   # M_PI in strict C++17 mode

# Windows looks for a program's DLLs first in its folder: each folder with programs run here gets
# a copy (glitzfall.exe and glitz_check.exe in the build folder, the test programs in tests/).
set(_glitz_dll_dirs ${CMAKE_BINARY_DIR})
if(GLITZ_TESTS)
  list(APPEND _glitz_dll_dirs ${CMAKE_BINARY_DIR}/tests)
endif()
if(GLITZ_BENCH)
  list(APPEND _glitz_dll_dirs ${CMAKE_BINARY_DIR}/bench)
endif()
set(_glitz_dll_copies)
foreach(dir IN LISTS _glitz_dll_dirs)
  foreach(dll IN LISTS GLITZ_RUNTIME_DLLS)
    get_filename_component(name ${dll} NAME)
    add_custom_command(OUTPUT ${dir}/${name}
      COMMAND ${CMAKE_COMMAND} -E copy ${dll} ${dir}/${name} DEPENDS ${dll} VERBATIM)
    list(APPEND _glitz_dll_copies ${dir}/${name})
  endforeach()
endforeach()
add_custom_target(glitz_dlls DEPENDS ${_glitz_dll_copies})
set(GLITZ_PLATFORM_DEPENDS glitz_dlls)

set(GLITZ_TEST_SUPPORT_SOURCES)   # none: test_files, which watches file opening, is not built here
# platform/desktop: SDL 1.2's window with GLU and threads; windows: the Win32 clipboard, files,
# sockets and audio thread priority, and the game's entry (SDL's WinMain calls SDL_main).
set(GLITZ_PLATFORM_BACKENDS desktop windows)
set(GLITZ_BUNDLED_SOURCES ${CMAKE_SOURCE_DIR}/ext/stb_image.c)   # no libstb here: stb_image's code
set(GLITZ_ENTRY_LIBS -lmingw32 -lSDLmain -mwindows)
# The link map names every archive and object that went into the game (for the licence check).
set(GLITZ_ENTRY_LINK_OPTIONS -Wl,-Map=${CMAKE_BINARY_DIR}/glitzfall.map)
