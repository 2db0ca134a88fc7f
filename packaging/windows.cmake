# SPDX-License-Identifier: Zlib
# The Windows packages (target glitz_dist, in <build>/dist/):
#   glitzfall-<version>-win64.zip       the program, the DLLs beside it (GLITZ_RUNTIME_DLLS of
#                                       cmake/platform_windows.cmake), its data folder, a readme
#                                       and the licences, in one folder glitzfall-<version>/ to
#                                       unpack anywhere
#   glitzfall-<version>-setup.exe       an NSIS installer of the same files (packaging/windows/
#                                       glitzfall.nsi.in): for the user alone (the default, no
#                                       administrator) or for all users, a Start-menu shortcut
#                                       started in the install folder (the game reads ./data), an
#                                       uninstaller in Add/Remove Programs
# The files are staged by packaging/windows/dist.cmake, which also writes the installer's lists of
# files, so the uninstaller removes exactly what was installed.
find_program(GLITZ_MAKENSIS makensis REQUIRED)
find_program(GLITZ_CONVERT convert REQUIRED)   # ImageMagick: the icon

# glitzfall.exe's resources (packaging/windows/glitzfall.rc.in): the icon, made here from the disco
# ball of the generated art in the four sizes Windows asks for (16 and 32: lists and the title bar,
# 48: Explorer's icons, 256: its large views, kept as PNG inside the file), the version and the
# manifest. The installer shows the same icon.
set(GLITZ_ICON ${CMAKE_BINARY_DIR}/packaging/glitzfall.ico)
set(GLITZ_MANIFEST ${CMAKE_BINARY_DIR}/packaging/glitzfall.manifest)
add_custom_command(OUTPUT ${GLITZ_ICON}
  COMMAND ${GLITZ_CONVERT} ${CMAKE_BINARY_DIR}/data/ball.png -background none
    -define icon:auto-resize=256,48,32,16 ${GLITZ_ICON}
  DEPENDS glitz_data ${CMAKE_BINARY_DIR}/data/data.json   # data.json is written last of the set
  COMMENT "Making the program's icon"
  VERBATIM)
# The installer's welcome and finish pages show the game's own picture (164 x 314, the size NSIS's
# modern pages take, as an uncompressed BMP): the disco ball above the dancer, on black.
set(GLITZ_WIZARD_BITMAP ${CMAKE_BINARY_DIR}/packaging/wizard.bmp)
add_custom_command(OUTPUT ${GLITZ_WIZARD_BITMAP}
  COMMAND ${GLITZ_CONVERT} -size 164x314 xc:black
    ( ${CMAKE_BINARY_DIR}/data/ball.png -resize 112x112 ) -gravity north -geometry +0+40 -composite
    ( ${CMAKE_BINARY_DIR}/data/player.png -resize 128x128 ) -gravity south -geometry +0+40 -composite
    -alpha off BMP3:${GLITZ_WIZARD_BITMAP}
  DEPENDS glitz_data ${CMAKE_BINARY_DIR}/data/data.json
  COMMENT "Making the installer's picture"
  VERBATIM)
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/glitzfall.manifest.in ${GLITZ_MANIFEST} @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/glitzfall.rc.in ${CMAKE_BINARY_DIR}/packaging/glitzfall.rc @ONLY)
enable_language(RC)
target_sources(glitzfall PRIVATE ${CMAKE_BINARY_DIR}/packaging/glitzfall.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/packaging/glitzfall.rc PROPERTIES
  OBJECT_DEPENDS "${GLITZ_ICON};${GLITZ_MANIFEST}")
set(GLITZ_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(_glitz_zip ${GLITZ_DIST_DIR}/glitzfall-${GLITZ_VERSION}-win64.zip)
set(_glitz_setup ${GLITZ_DIST_DIR}/glitzfall-${GLITZ_VERSION}-setup.exe)
set(GLITZ_LICENCE_TEXT ${CMAKE_BINARY_DIR}/packaging/licences/glitzfall.txt)   # made below
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/glitzfall.nsi.in ${CMAKE_BINARY_DIR}/packaging/glitzfall.nsi @ONLY)
set(GLITZ_DLL_NAMES)   # for the readme
foreach(dll IN LISTS GLITZ_RUNTIME_DLLS)
  get_filename_component(name ${dll} NAME)
  list(APPEND GLITZ_DLL_NAMES ${name})
endforeach()
list(JOIN GLITZ_DLL_NAMES ", " GLITZ_DLL_NAMES)
# The Debian source packages the DLLs were built from, named in the readme: a release offers them
# beside the packages (tools/release.sh, lgpl-sources/).
set(GLITZ_LGPL_SOURCES)
foreach(dir IN LISTS GLITZ_CROSS_SOURCES)
  if(dir MATCHES "/(libsdl1\\.2|libxmp|libsndfile)-[^/]+$")
    file(GLOB dsc RELATIVE ${dir} ${dir}/*.dsc)
    list(APPEND GLITZ_LGPL_SOURCES ${dsc})
  endif()
endforeach()
list(JOIN GLITZ_LGPL_SOURCES ", " GLITZ_LGPL_SOURCES)
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/README.txt.in ${CMAKE_BINARY_DIR}/packaging/README.txt @ONLY)

# licences\: the full text of every licence that applies to something in the packages, CR LF.
# The game's own (zlib), its fonts', then the libraries': those built from Debian's sources bring
# their copyright files (tools/cross/deps.sh; GoogleTest goes into the test programs only), the
# compiler's runtime (libstdc++, libgcc, the mingw-w64 CRT and winpthreads) and stb_image are
# taken from this machine's Debian packages. tools/licence_check.py checks the result against
# the program's link map.
set(GLITZ_FONT_FILES "data\\font0.png, data\\font1.png and data\\font2.png")
configure_file(${CMAKE_CURRENT_LIST_DIR}/licences/fonts.txt.in ${CMAKE_BINARY_DIR}/packaging/fonts.txt @ONLY)
set(_glitz_licence_sources
  glitzfall ${PROJECT_SOURCE_DIR}/LICENSE
  fonts ${CMAKE_BINARY_DIR}/packaging/fonts.txt
  stb /usr/share/doc/libstb-dev/copyright
  mingw-w64 /usr/share/doc/mingw-w64-common/copyright
  gcc /usr/share/doc/gcc-mingw-w64-base/copyright)
foreach(prefix IN LISTS GLITZ_CROSS_PREFIXES)
  file(GLOB _glitz_dep_copyright ${prefix}/share/doc/*/copyright)
  list(FILTER _glitz_dep_copyright EXCLUDE REGEX "/googletest/copyright$")
  foreach(file IN LISTS _glitz_dep_copyright)
    get_filename_component(pkg ${file} DIRECTORY)
    get_filename_component(pkg ${pkg} NAME)
    list(APPEND _glitz_licence_sources ${pkg} ${file})
  endforeach()
endforeach()
set(_glitz_licences)
while(_glitz_licence_sources)
  list(POP_FRONT _glitz_licence_sources name source)
  if(NOT EXISTS ${source})
    message(FATAL_ERROR "no licence text for ${name}: ${source} is missing")
  endif()
  set(out ${CMAKE_BINARY_DIR}/packaging/licences/${name}.txt)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${source} -DOUT=${out} -DCRLF=ON -P ${PROJECT_SOURCE_DIR}/packaging/licence_text.cmake
    DEPENDS ${source} ${PROJECT_SOURCE_DIR}/packaging/licence_text.cmake
    VERBATIM)
  list(APPEND _glitz_licences ${out})
endwhile()

add_custom_command(
  OUTPUT ${_glitz_zip} ${_glitz_setup}
  COMMAND ${CMAKE_COMMAND} -DDIST=${GLITZ_DIST_DIR} -DVERSION=${GLITZ_VERSION}
    -DPROGRAM=$<TARGET_FILE:glitzfall> "-DDLLS=${GLITZ_RUNTIME_DLLS}" -DDATA=${CMAKE_BINARY_DIR}/data
    -DREADME=${CMAKE_BINARY_DIR}/packaging/README.txt "-DLICENCES=${_glitz_licences}"
    -DNSI=${CMAKE_BINARY_DIR}/packaging/glitzfall.nsi -DMAKENSIS=${GLITZ_MAKENSIS}
    -DSTRIP=${CMAKE_STRIP}
    -P ${CMAKE_CURRENT_LIST_DIR}/windows/dist.cmake
  DEPENDS glitzfall ${GLITZ_ICON} ${GLITZ_WIZARD_BITMAP} ${GLITZ_RUNTIME_DLLS} glitz_data ${CMAKE_BINARY_DIR}/data/data.json ${CMAKE_CURRENT_LIST_DIR}/windows/dist.cmake
    ${CMAKE_BINARY_DIR}/packaging/glitzfall.nsi ${CMAKE_BINARY_DIR}/packaging/README.txt ${_glitz_licences}
  COMMENT "Packing the Windows zip and installer"
  VERBATIM)
add_custom_target(glitz_dist ALL DEPENDS ${_glitz_zip} ${_glitz_setup})
