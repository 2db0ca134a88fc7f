# SPDX-License-Identifier: Zlib
# toolchain-mingw64.cmake - building for 64-bit Windows with Debian's mingw-w64.
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
#         -DGLITZ_CROSS_PREFIXES="<prefix>;<prefix>..."      # tools/cross/build.sh does this
#
# GLITZ_CROSS_PREFIXES lists the folders tools/cross/deps.sh built the libraries into; find_*
# and pkg-config look there and in the toolchain's own folder, never in the build machine's.
# Programs link libgcc, libstdc++ and winpthreads statically: the only DLLs beside them are the
# libraries tools/cross/deps.sh builds as DLLs (cmake/platform_windows.cmake). Programs run on the
# build machine (test discovery, CTest) go through wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(GLITZ_MINGW_HOST x86_64-w64-mingw32)

# The compilers with POSIX threads (winpthreads, linked in statically): GoogleTest and the tests
# need std::mutex and std::thread, which the win32-threads compilers of GCC 12 lack. The game uses
# no C++ threads of its own.
set(CMAKE_C_COMPILER ${GLITZ_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GLITZ_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${GLITZ_MINGW_HOST}-windres)

# try_compile runs this file again in a project of its own: the list is handed on there.
include(${CMAKE_CURRENT_LIST_DIR}/cross_prefixes.cmake)

set(CMAKE_FIND_ROOT_PATH /usr/${GLITZ_MINGW_HOST} ${GLITZ_CROSS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")

find_program(GLITZ_WINE NAMES wine wine64)
if(GLITZ_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${GLITZ_WINE})
endif()
