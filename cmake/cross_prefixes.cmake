# SPDX-License-Identifier: Zlib
# cross_prefixes.cmake - for the toolchain files of other platforms: GLITZ_CROSS_PREFIXES, the
# folders tools/cross/deps.sh built that platform's libraries into, handed on to try_compile's own
# projects, and the build machine's pkg-config told to read only the .pc files found there.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES GLITZ_CROSS_PREFIXES)
if(NOT GLITZ_CROSS_PREFIXES AND DEFINED ENV{GLITZ_CROSS_PREFIXES})
  set(GLITZ_CROSS_PREFIXES "$ENV{GLITZ_CROSS_PREFIXES}")
endif()

set(_glitz_pc "")
foreach(p IN LISTS GLITZ_CROSS_PREFIXES)
  list(APPEND _glitz_pc ${p}/lib/pkgconfig)
endforeach()
string(REPLACE ";" ":" _glitz_pc "${_glitz_pc}")
set(ENV{PKG_CONFIG_LIBDIR} "${_glitz_pc}")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
