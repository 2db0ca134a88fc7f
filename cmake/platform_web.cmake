# SPDX-License-Identifier: Zlib
# platform_web.cmake - the browser through emscripten (cmake/toolchain-web.cmake): emscripten's own
# SDL 1.2 and OpenGL emulation, the codecs tools/cross/deps.sh web built from Debian's sources,
# stb_image compiled here, the browser's clipboard, and the page's file system for the folders.
#
# The game (glitzfall.js, .wasm, .data) runs its frame loop as on the desktop: SDL_Delay sleeps
# through ASYNCIFY, which hands control back to the browser, so the loop never blocks the page.
# The test programs run under node and read the build machine's folders, mounted (NODEFS).
foreach(prefix IN LISTS GLITZ_CROSS_PREFIXES)
  link_directories(${prefix}/lib)   # the sound tests' -lvorbisenc
endforeach()
pkg_check_modules(VORBISFILE REQUIRED vorbisfile)
pkg_check_modules(XMP REQUIRED libxmp)
pkg_check_modules(SNDFILE REQUIRED sndfile)

set(GLITZ_PLATFORM_LIBS)
set(GLITZ_PLATFORM_INCLUDES)
foreach(module VORBISFILE XMP SNDFILE)
  list(APPEND GLITZ_PLATFORM_LIBS ${${module}_STATIC_LDFLAGS})
  list(APPEND GLITZ_PLATFORM_INCLUDES ${${module}_STATIC_INCLUDE_DIRS})
endforeach()
include_directories(${GLITZ_PLATFORM_INCLUDES})
add_compile_definitions(BUILDING_STATIC)   # xmp.h: the static libxmp
# xmp.h marks its functions with emscripten's export attribute without including its definition
# (the sound decoder and a test include it).
add_compile_options("SHELL:-include emscripten.h")
# The JSON parser's class table is indexed by character literals, all below 128: clang's warning
# about char subscripts has nothing to find there.
set_source_files_properties(${CMAKE_SOURCE_DIR}/ext/json/JSON_parser.cpp PROPERTIES
  COMPILE_OPTIONS -Wno-char-subscripts)

# Every program: fixed-function OpenGL with client arrays, a heap that grows, and the runtime shut
# down when main returns (the page learns the game has ended; atexit work runs).
add_link_options(-sLEGACY_GL_EMULATION=1 -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1)

# platform/posix: files and sockets; web: the page's canvas, clipboard, pause and mipmaps, the
# mixer on the page's thread, pictures decoded on the main thread, and the game's entry.
set(GLITZ_PLATFORM_BACKENDS posix web)
set(GLITZ_BUNDLED_SOURCES ${CMAKE_SOURCE_DIR}/ext/stb_image.c)   # no libstb here: stb_image's code
# The game's page: the loop sleeps through ASYNCIFY; ./data is packed into glitzfall.data and
# appears as /data (the page's working folder is /); HTML minifying stays off (Debian's minifier breaks it).
set(GLITZ_ENTRY_LIBS)
set(GLITZ_ENTRY_LINK_OPTIONS -sASYNCIFY -sMINIFY_HTML=0
  "SHELL:--preload-file ${CMAKE_BINARY_DIR}/data@/data")

# The test programs that need no window run under node. The folders they read and write (source,
# build, temporary) are mounted from the machine at their own paths (tests/web/node_fs.js); the
# rest of their file system is emscripten's own, whose standard streams can be redirected as
# GoogleTest's output capture does. Linked at -O1: quicker to build, and speed is not tested.
# Each links tests/web/support_web.cpp, the SDL calls emscripten's SDL lacks (the live modifier
# state and the key repeat test_app_dispatch drives), and tests/web/open_watch_web.cpp, which sees
# file opening through emscripten's file system where Linux asks inotify (test_files).
# test_sound_layer opens the sound device: under node it gets a silent one in place of the
# browser's (tests/web/node_audio.js), which SDL feeds from its timers while SDL_Delay sleeps
# through ASYNCIFY, as in the page.
set(GLITZ_TEST_SUPPORT_SOURCES ${CMAKE_SOURCE_DIR}/tests/web/support_web.cpp
  ${CMAKE_SOURCE_DIR}/tests/web/open_watch_web.cpp)
set(GLITZ_TEST_LINK_OPTIONS_test_sound_layer -sASYNCIFY
  "SHELL:--pre-js ${CMAKE_SOURCE_DIR}/tests/web/node_asyncify.js"
  "SHELL:--pre-js ${CMAKE_SOURCE_DIR}/tests/web/node_audio.js")
file(WRITE ${CMAKE_BINARY_DIR}/node_dirs.js
  "var GLITZ_NODE_DIRS = [\"${CMAKE_SOURCE_DIR}\", \"${CMAKE_BINARY_DIR}\"];\n")
set(GLITZ_TEST_LINK_OPTIONS -O1 -lnodefs.js "SHELL:--pre-js ${CMAKE_BINARY_DIR}/node_dirs.js"
  "SHELL:--pre-js ${CMAKE_SOURCE_DIR}/tests/web/node_fs.js")
# The scripts run before them: a change to one links the programs again.
set(GLITZ_TEST_LINK_DEPENDS ${CMAKE_SOURCE_DIR}/tests/web/node_fs.js ${CMAKE_SOURCE_DIR}/tests/web/node_audio.js
  ${CMAKE_SOURCE_DIR}/tests/web/node_asyncify.js)
# Header-only libraries of the build machine that tests use (nlohmann/json) come through a folder
# of their own, never through the machine's whole /usr/include; stb_image_write's code, which
# Debian's libstb holds on Linux, is compiled for them here.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/host-headers)
file(CREATE_LINK /usr/include/nlohmann ${CMAKE_BINARY_DIR}/host-headers/nlohmann SYMBOLIC)
set(GLITZ_TEST_INCLUDES ${CMAKE_BINARY_DIR}/host-headers)
set(GLITZ_TEST_SOURCES_EXTRA ${CMAKE_SOURCE_DIR}/ext/stb_image_write.c)
