# SPDX-License-Identifier: Zlib
# release_date.cmake - the release date of GLITZ_VERSION, read from CHANGELOG.md's heading
# "## [<version>] - YYYY-MM-DD" (Keep a Changelog form). Sets GLITZ_RELEASE_DATE (2026-12-08) and
# GLITZ_RELEASE_DATE_RFC (the Debian changelog's "Tue, 08 Dec 2026 12:00:00 +0000").
# A version without its section stops the configuration: every package names the same date, and
# a new version is not built before its notes are written.
file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md _glitz_heading
  REGEX "^## \\[${GLITZ_VERSION}\\] - [0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]$")
if(NOT _glitz_heading)
  message(FATAL_ERROR "CHANGELOG.md has no heading \"## [${GLITZ_VERSION}] - YYYY-MM-DD\" for the project's version")
endif()
string(REGEX MATCH "([0-9]+)-([0-9]+)-([0-9]+)$" GLITZ_RELEASE_DATE "${_glitz_heading}")
set(_y ${CMAKE_MATCH_1})
set(_dd ${CMAKE_MATCH_3})
math(EXPR _m "${CMAKE_MATCH_2}")   # no leading zero
math(EXPR _d "${CMAKE_MATCH_3}")
# Day of the week by Sakamoto's method (0 = Sunday).
set(_t 0 3 2 5 0 3 5 1 4 6 2 4)
math(EXPR _i "${_m} - 1")
list(GET _t ${_i} _ti)
set(_yy ${_y})
if(_m LESS 3)
  math(EXPR _yy "${_y} - 1")
endif()
math(EXPR _w "(${_yy} + ${_yy} / 4 - ${_yy} / 100 + ${_yy} / 400 + ${_ti} + ${_d}) % 7")
set(_days Sun Mon Tue Wed Thu Fri Sat)
set(_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(GET _days ${_w} _wd)
list(GET _months ${_i} _mn)
set(GLITZ_RELEASE_DATE_RFC "${_wd}, ${_dd} ${_mn} ${_y} 12:00:00 +0000")
