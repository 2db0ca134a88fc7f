# SPDX-License-Identifier: Zlib
# web.cmake - the page to put on a static web host: <build>/dist/ holds index.html and HOSTING.txt
# beside the game's glitzfall.js, glitzfall.wasm and glitzfall.data, with licences/ (the full licence texts
# and an index, linked from the page) and source/ (the game's source archive, the LGPL libraries'
# Debian source packages, how to rebuild); made anew by packaging/web/dist.cmake at every build
# (target glitz_web_dist). GLITZ_CROSS_SOURCES lists the Debian source packages
# tools/cross/deps.sh built the libraries from (tools/cross/build.sh passes it).
if(NOT GLITZ_CROSS_SOURCES)
  message(FATAL_ERROR "set GLITZ_CROSS_SOURCES to the list in <cache>/web/sources (tools/cross/build.sh does)")
endif()
find_package(Git)
set(GLITZ_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set_property(TARGET glitzfall APPEND PROPERTY LINK_DEPENDS ${CMAKE_BINARY_DIR}/data/data.json)

# The link map, <build>/glitzfall.map: every archive member and object in glitzfall.wasm, which the
# licences follow. emcc 3.1.6 drops -Wl,--Map=FILE (as the -M it ignores), so wasm-ld prints the
# map to the link's standard output, which link_map.sh writes to the file.
target_link_options(glitzfall PRIVATE LINKER:--print-map)
set_property(TARGET glitzfall PROPERTY RULE_LAUNCH_LINK
  "sh ${CMAKE_CURRENT_LIST_DIR}/web/link_map.sh ${CMAKE_BINARY_DIR}/glitzfall.map")

# Always run: the licences follow the link map, the source archive the state of the git checkout.
add_custom_target(glitz_web_dist ALL
  COMMAND ${CMAKE_COMMAND} -DDIST=${GLITZ_DIST_DIR} -DBUILD=${CMAKE_BINARY_DIR}
    -DSOURCE=${CMAKE_SOURCE_DIR} -DVERSION=${GLITZ_VERSION} -DDATA=${CMAKE_BINARY_DIR}/data
    -DMAP=${CMAKE_BINARY_DIR}/glitzfall.map "-DPREFIXES=${GLITZ_CROSS_PREFIXES}"
    "-DSOURCES=${GLITZ_CROSS_SOURCES}" -DEMSCRIPTEN=${EMSCRIPTEN_ROOT_PATH}
    -DEM_COPYRIGHT=/usr/share/doc/emscripten/copyright -DSTB_COPYRIGHT=/usr/share/doc/libstb-dev/copyright
    -DGIT=${GIT_EXECUTABLE}
    -P ${CMAKE_CURRENT_LIST_DIR}/web/dist.cmake
  DEPENDS glitzfall
  COMMENT "The page in ${GLITZ_DIST_DIR}: licences and source"
  VERBATIM)
