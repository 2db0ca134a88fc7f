# SPDX-License-Identifier: Zlib
# The installed game (install component "runtime") and its Debian package.
#
# `cmake --install build` puts the program in <prefix>/games, its generated data in
# <prefix>/share/games/glitzfall, and a menu entry, icons, AppStream metainfo, a manual page, the
# copyright and the changelog in their usual places. `cpack -G DEB` (in the build folder) packs
# exactly the runtime component into glitzfall_<version>_<arch>.deb.
#
# The manual page and the metainfo are written at install time, so the folders they name are
# those of the prefix really installed to (/usr in the package, whatever the configured prefix).
#
# The installed program is a second build of the program's sources that reads its data from a
# folder relative to its own executable; the program in the build folder keeps reading ./data.
include(GNUInstallDirs)

set(GLITZ_INSTALL_GAMES_BINDIR "games" CACHE STRING "Folder of the installed program (relative to the prefix)")
set(GLITZ_INSTALL_GAMES_DATADIR "${CMAKE_INSTALL_DATADIR}/games/glitzfall" CACHE STRING
  "Folder of the installed game data (relative to the prefix)")
set(GLITZ_APP_ID "org.example.glitzfall" CACHE STRING "Reverse-DNS id of the menu entry and the metainfo")
set(GLITZ_MAINTAINER "The Glitz Fall developers <glitzfall@example.org>" CACHE STRING "Package maintainer")

# Where the data sits seen from the program's folder: a relative path keeps working under any prefix
# chosen at install time, and inside a DESTDIR staging tree.
cmake_path(ABSOLUTE_PATH GLITZ_INSTALL_GAMES_BINDIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
  OUTPUT_VARIABLE _glitz_bin_full)
cmake_path(ABSOLUTE_PATH GLITZ_INSTALL_GAMES_DATADIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
  OUTPUT_VARIABLE GLITZ_DATA_FULL)
file(RELATIVE_PATH _glitz_data_from_bin "${_glitz_bin_full}" "${GLITZ_DATA_FULL}")
string(LENGTH "${GLITZ_DATA_FULL}" _glitz_len)
if(_glitz_len GREATER 400)
  message(FATAL_ERROR "the data folder ${GLITZ_DATA_FULL} is too long a path")
endif()

get_target_property(_glitz_sources glitzfall SOURCES)
get_target_property(_glitz_libs glitzfall LINK_LIBRARIES)
add_executable(glitzfall_installed ${_glitz_sources})
target_link_libraries(glitzfall_installed PRIVATE ${_glitz_libs})
target_compile_definitions(glitzfall_installed PRIVATE
  GLITZ_INSTALLED_DATA="${_glitz_data_from_bin}" GLITZ_INSTALLED_DATA_FALLBACK="${GLITZ_DATA_FULL}")
target_link_options(glitzfall_installed PRIVATE LINKER:-z,relro,-z,now)  # a read-only GOT
set_target_properties(glitzfall_installed PROPERTIES
  OUTPUT_NAME glitzfall RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/installed)

# Generated files: icons drawn by the asset generator, the configured texts, gzipped pages.
set(_glitz_pkg ${CMAKE_BINARY_DIR}/packaging)
set(_glitz_icons ${_glitz_pkg}/icons)
set(_glitz_icon_files)
foreach(size 48 128 256)
  list(APPEND _glitz_icon_files ${_glitz_icons}/${size}x${size}/apps/glitzfall.png)
endforeach()
add_custom_command(
  OUTPUT ${_glitz_icon_files}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_glitz_icons}
  COMMAND glitz_assets --icons ${_glitz_icons} glitzfall
  DEPENDS glitz_assets
  COMMENT "Drawing the program's icons"
  VERBATIM)
# The Debian changelog, from the release notes in CHANGELOG.md.
add_custom_command(
  OUTPUT ${_glitz_pkg}/changelog
  COMMAND ${CMAKE_COMMAND} -DIN=${PROJECT_SOURCE_DIR}/CHANGELOG.md -DOUT=${_glitz_pkg}/changelog
    -DSOURCE_DIR=${PROJECT_SOURCE_DIR} "-DMAINTAINER=${GLITZ_MAINTAINER}"
    -P ${CMAKE_CURRENT_LIST_DIR}/changelog.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${CMAKE_CURRENT_LIST_DIR}/changelog.cmake
  VERBATIM)
configure_file(${CMAKE_CURRENT_LIST_DIR}/glitzfall.desktop ${_glitz_pkg}/${GLITZ_APP_ID}.desktop COPYONLY)
find_program(GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${_glitz_pkg}/changelog.gz
  COMMAND ${GZIP} -9nf -k ${_glitz_pkg}/changelog
  DEPENDS ${_glitz_pkg}/changelog
  VERBATIM)
add_custom_target(glitz_packaging ALL DEPENDS ${_glitz_icon_files} ${_glitz_pkg}/changelog.gz)
# The manual page and the metainfo name installed folders: they are written when installing, from
# the prefix of that install (packaging/install_pages.cmake.in), into <build>/packaging/installed.
configure_file(${CMAKE_CURRENT_LIST_DIR}/install_pages.cmake.in ${_glitz_pkg}/install_pages.cmake @ONLY)

set(_glitz_doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/glitzfall)
install(TARGETS glitzfall_installed RUNTIME DESTINATION ${GLITZ_INSTALL_GAMES_BINDIR} COMPONENT runtime)
install(DIRECTORY ${CMAKE_BINARY_DIR}/data/ DESTINATION ${GLITZ_INSTALL_GAMES_DATADIR} COMPONENT runtime)
install(FILES ${_glitz_pkg}/${GLITZ_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT runtime)
install(SCRIPT ${_glitz_pkg}/install_pages.cmake COMPONENT runtime)
install(FILES ${_glitz_pkg}/installed/${GLITZ_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT runtime)
install(DIRECTORY ${_glitz_icons}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor COMPONENT runtime)
install(FILES ${_glitz_pkg}/installed/glitzfall.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT runtime)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${_glitz_pkg}/changelog.gz DESTINATION ${_glitz_doc} COMPONENT runtime)

# The Debian package (the summary is its first description line): the runtime component only (other components, such as the framework's files
# for developers, stay out of it), its dependencies computed from the program by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME glitzfall)
set(CPACK_PACKAGE_VERSION ${GLITZ_VERSION})
set(CPACK_PACKAGE_CONTACT "${GLITZ_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "arcade game: dodge the falling glitter balls")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_COMPONENTS_ALL runtime)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME glitzfall)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${GLITZ_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${GLITZ_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# cpack builds what the runtime component installs and nothing else (no tests, no benchmarks):
# the install does not build "all" first, and the package's install step builds glitz_runtime.
# `cmake --install` never builds; build the tree (or glitz_runtime) before installing.
add_custom_target(glitz_runtime DEPENDS glitzfall_installed glitz_data glitz_packaging)
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_INSTALL_COMMANDS "${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target glitz_runtime")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Your party figure stands at the bottom of the screen while glitter balls of
random size and speed fall from the top, more and more often as time goes on.
Every ball that drops past scores a point; one ball on the figure's head ends
the run. All pictures, sounds and music are generated by the game's own tools.")
include(CPack)
