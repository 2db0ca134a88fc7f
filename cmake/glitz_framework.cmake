# SPDX-License-Identifier: Zlib
# Installs the framework for other programs (component "dev"): the library, its public headers
# under include/glitz/ in the tree's folders (so programs write the same #include "gfx/gfx.h" lines as
# the game), a CMake package (find_package(Glitz), targets Glitz::glitz and Glitz::glitz_check) and
# a pkg-config file; and the catalogue checker glitz_check, for a program's own data.
include(CMakePackageConfigHelpers)

set(GLITZ_FRAMEWORK_VERSION ${PROJECT_VERSION})
set(GLITZ_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Glitz)

install(TARGETS glitz EXPORT GlitzTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
# Exported too, so a program's build can run it on its data: $<TARGET_FILE:Glitz::glitz_check>.
install(TARGETS glitz_check EXPORT GlitzTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT dev)
# The headers a program includes, and the ones they include; the engine's insides (sound engine,
# decoders, the sound layer's record, the JSON push parser, file opening) stay out.
set(GLITZ_PUBLIC_HEADERS
  app/app.h app/driver.h app/event.h app/files.h
  util/zev_var.h util/zev_json.h util/asset_cache.h util/log.h
  gfx/gfx.h gfx/font.h
  gui/widget.h gui/style.h gui/text_input.h gui/clipboard.h app/clipboard.h
  sound/sound.h)
foreach(header ${GLITZ_PUBLIC_HEADERS})
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/glitz/${folder} COMPONENT dev)
endforeach()
# <glitz/glitz.h>, the one include a program needs, beside the folders it includes.
install(FILES include/glitz/glitz.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/glitz COMPONENT dev)
install(EXPORT GlitzTargets NAMESPACE Glitz:: DESTINATION ${GLITZ_CMAKE_DIR} COMPONENT dev)

configure_package_config_file(cmake/GlitzConfig.cmake.in ${CMAKE_BINARY_DIR}/GlitzConfig.cmake
  INSTALL_DESTINATION ${GLITZ_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/GlitzConfigVersion.cmake
  VERSION ${GLITZ_FRAMEWORK_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/GlitzConfig.cmake ${CMAKE_BINARY_DIR}/GlitzConfigVersion.cmake
  DESTINATION ${GLITZ_CMAKE_DIR} COMPONENT dev)

# Paths relative to the .pc file's own folder, so a staged or moved install (DESTDIR) works as is.
file(RELATIVE_PATH GLITZ_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" GLITZ_PC_TO_PREFIX "${GLITZ_PC_TO_PREFIX}")
file(RELATIVE_PATH GLITZ_PC_LIBDIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_LIBDIR})
file(RELATIVE_PATH GLITZ_PC_INCLUDEDIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_INCLUDEDIR})
configure_file(cmake/glitz.pc.in ${CMAKE_BINARY_DIR}/glitz.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/glitz.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
