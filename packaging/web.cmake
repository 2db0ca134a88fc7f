# web.cmake - the page to put on a static web host: <build>/dist/ holds index.html beside the
# game's glitzfall.js, glitzfall.wasm and glitzfall.data, refreshed after every link of the game.
set(GLITZ_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set_property(TARGET glitzfall APPEND PROPERTY LINK_DEPENDS ${CMAKE_BINARY_DIR}/data/data.json)
add_custom_command(TARGET glitzfall POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${GLITZ_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/packaging/web/index.html
    ${CMAKE_BINARY_DIR}/glitzfall.js ${CMAKE_BINARY_DIR}/glitzfall.wasm
    ${CMAKE_BINARY_DIR}/glitzfall.data ${GLITZ_DIST_DIR}
  VERBATIM)
