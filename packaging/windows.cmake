# The Windows packages (target glitz_dist, in <build>/dist/):
#   glitzfall-<version>-win64.zip       the program, the DLLs beside it (GLITZ_RUNTIME_DLLS of
#                                       cmake/platform_windows.cmake), its data folder, a readme
#                                       and the licences, in one folder glitzfall-<version>/ to
#                                       unpack anywhere
#   glitzfall-<version>-setup.exe       an NSIS installer of the same files: Program Files, a
#                                       Start-menu shortcut started in the install folder (the
#                                       game reads ./data), an uninstaller in Add/Remove Programs
# The files are staged by packaging/windows/dist.cmake, which also writes the installer's lists of
# files, so the uninstaller removes exactly what was installed.
find_program(GLITZ_MAKENSIS makensis REQUIRED)
set(GLITZ_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(_glitz_zip ${GLITZ_DIST_DIR}/glitzfall-${GLITZ_VERSION}-win64.zip)
set(_glitz_setup ${GLITZ_DIST_DIR}/glitzfall-${GLITZ_VERSION}-setup.exe)
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/glitzfall.nsi.in ${CMAKE_BINARY_DIR}/packaging/glitzfall.nsi @ONLY)
set(GLITZ_DLL_NAMES)   # for the readme
foreach(dll IN LISTS GLITZ_RUNTIME_DLLS)
  get_filename_component(name ${dll} NAME)
  list(APPEND GLITZ_DLL_NAMES ${name})
endforeach()
list(JOIN GLITZ_DLL_NAMES ", " GLITZ_DLL_NAMES)
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/README.txt.in ${CMAKE_BINARY_DIR}/packaging/README.txt @ONLY)

# The libraries' licences come with them from their Debian source packages (tools/cross/deps.sh);
# GoogleTest is linked into the test programs only.
set(_glitz_licences ${CMAKE_CURRENT_LIST_DIR}/copyright)
foreach(prefix IN LISTS GLITZ_CROSS_PREFIXES)
  file(GLOB _glitz_dep_copyright ${prefix}/share/doc/*/copyright)
  list(FILTER _glitz_dep_copyright EXCLUDE REGEX "/googletest/copyright$")
  list(APPEND _glitz_licences ${_glitz_dep_copyright})
endforeach()

add_custom_command(
  OUTPUT ${_glitz_zip} ${_glitz_setup}
  COMMAND ${CMAKE_COMMAND} -DDIST=${GLITZ_DIST_DIR} -DVERSION=${GLITZ_VERSION}
    -DPROGRAM=$<TARGET_FILE:glitzfall> "-DDLLS=${GLITZ_RUNTIME_DLLS}" -DDATA=${CMAKE_BINARY_DIR}/data
    -DREADME=${CMAKE_BINARY_DIR}/packaging/README.txt "-DLICENCES=${_glitz_licences}"
    -DNSI=${CMAKE_BINARY_DIR}/packaging/glitzfall.nsi -DMAKENSIS=${GLITZ_MAKENSIS}
    -DSTRIP=${CMAKE_STRIP}
    -P ${CMAKE_CURRENT_LIST_DIR}/windows/dist.cmake
  DEPENDS glitzfall ${GLITZ_RUNTIME_DLLS} glitz_data ${CMAKE_BINARY_DIR}/data/data.json ${CMAKE_CURRENT_LIST_DIR}/windows/dist.cmake
    ${CMAKE_BINARY_DIR}/packaging/glitzfall.nsi ${CMAKE_BINARY_DIR}/packaging/README.txt ${_glitz_licences}
  COMMENT "Packing the Windows zip and installer"
  VERBATIM)
add_custom_target(glitz_dist ALL DEPENDS ${_glitz_zip} ${_glitz_setup})
