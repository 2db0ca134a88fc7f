# SPDX-License-Identifier: Zlib
# toolchain-web.cmake - building for the browser with Debian's emscripten (wasm, SDL 1.2's API and
# fixed-function OpenGL emulated by emscripten itself).
#
#   cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-web.cmake \
#         -DGLITZ_CROSS_PREFIXES="<prefix>;<prefix>..."      # tools/cross/build.sh web does this
#
# GLITZ_CROSS_PREFIXES lists the folders tools/cross/deps.sh web built the codecs and GoogleTest
# into; find_* and pkg-config look there and in emscripten's sysroot, never in the build
# machine's folders. Programs run on the build machine (test discovery, CTest) go through node.
execute_process(COMMAND em-config EMSCRIPTEN_ROOT OUTPUT_VARIABLE _glitz_em_root
  OUTPUT_STRIP_TRAILING_WHITESPACE)
# Debian's emscripten runs its JavaScript tools with the machine's node and Debian's modules.
if(NOT DEFINED ENV{NODE_PATH})
  set(ENV{NODE_PATH} /usr/share/nodejs)
endif()
include(${_glitz_em_root}/cmake/Modules/Platform/Emscripten.cmake)

include(${CMAKE_CURRENT_LIST_DIR}/cross_prefixes.cmake)
list(APPEND CMAKE_FIND_ROOT_PATH ${GLITZ_CROSS_PREFIXES})

# node 18 and later fetch with an API emscripten 3.1.6's loader does not expect.
find_program(GLITZ_NODE node REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR "${GLITZ_NODE};--no-experimental-fetch" CACHE STRING "" FORCE)

# CMake knows no whole-archive linking for emscripten; wasm-ld takes the usual flags.
set(CMAKE_LINK_LIBRARY_USING_WHOLE_ARCHIVE "LINKER:--whole-archive" "<LINK_ITEM>" "LINKER:--no-whole-archive")
set(CMAKE_LINK_LIBRARY_USING_WHOLE_ARCHIVE_SUPPORTED TRUE)
