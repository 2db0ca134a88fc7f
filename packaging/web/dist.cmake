# SPDX-License-Identifier: Zlib
# dist.cmake - the page's folder <build>/dist/, made anew after every build (cmake -P, target
# glitz_web_dist of packaging/web.cmake):
#   index.html, glitzfall.js, .wasm, .data   the page
#   licences/   the full licence text of each part of the page (packaging/licence_text.cmake) and
#               index.html listing them: the game's, its fonts', every library's in the link map
#               (<build>/glitzfall.map), emscripten's runtime in glitzfall.js
#   source/     glitzfall-<version>-source.tar.gz, the Debian source packages of the LGPL libraries
#               in glitzfall.wasm, and README.txt: how to build the page again with a changed library
# In: DIST BUILD SOURCE VERSION DATA MAP PREFIXES SOURCES (tools/cross/deps.sh's lists) EMSCRIPTEN
# (its root) EM_COPYRIGHT STB_COPYRIGHT GIT (may be empty).
# A part of glitzfall.wasm whose licence this script does not know stops the build; a missing
# source archive or source package only warns ("warning:" on the build's output) and the page's
# licences and README say what is missing.
cmake_minimum_required(VERSION 3.25)
set(kLicenceText ${CMAKE_CURRENT_LIST_DIR}/../licence_text.cmake)
set(licences ${DIST}/licences)
set(source ${DIST}/source)
file(REMOVE_RECURSE ${licences} ${source})
file(MAKE_DIRECTORY ${licences} ${source})
file(COPY ${SOURCE}/packaging/web/index.html ${BUILD}/glitzfall.js ${BUILD}/glitzfall.wasm
  ${BUILD}/glitzfall.data DESTINATION ${DIST})

function(dist_warn text)
  message(NOTICE "web dist: warning: ${text}")
endfunction()

# licence(<file> <title> IN <copyright> [FILES <prefix>...] [EXTRA <file>...] [MAIN <licence>]):
# licences/<file> by packaging/licence_text.cmake, listed under <title> with its main licence (MAIN,
# else the licence of its first Files paragraph).
set(listed "")
macro(list_licence file title main)
  list(APPEND listed ${file})
  set(title_${file} "${title}")
  set(main_${file} "${main}")
endmacro()
function(licence file title)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "IN;MAIN" "FILES;EXTRA")
  execute_process(COMMAND ${CMAKE_COMMAND} -DIN=${arg_IN} -DOUT=${licences}/${file} "-DTITLE=${title}"
      "-DFILES=${arg_FILES}" "-DEXTRA=${arg_EXTRA}" -P ${kLicenceText}
    RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "licences/${file} from ${arg_IN} failed")
  endif()
  set(main "${arg_MAIN}")
  if(NOT main)
    file(READ ${licences}/${file} text)
    string(FIND "${text}" "\nFiles:" at)
    if(at GREATER -1)
      string(SUBSTRING "${text}" ${at} -1 text)
      if(text MATCHES "\nLicense:[ \t]*([^\n]*)")
        set(main "${CMAKE_MATCH_1}")
      endif()
    endif()
  endif()
  list_licence(${file} "${title}" "${main}")
  set(listed ${listed} PARENT_SCOPE)
  set(title_${file} "${title}" PARENT_SCOPE)
  set(main_${file} "${main}" PARENT_SCOPE)
endfunction()

# --- what glitzfall.wasm holds: the archives in the link map -----------------------------------

if(NOT EXISTS ${MAP})
  message(FATAL_ERROR "no link map ${MAP}: link glitzfall again")
endif()
file(READ ${MAP} map)
string(REGEX MATCHALL "[^ \t\n]+\\.a\\(" archives "${map}")
list(TRANSFORM archives REPLACE "\\($" "")
list(REMOVE_DUPLICATES archives)
set(linked_prefixes "")
set(system_parts "")
foreach(archive IN LISTS archives)
  if(NOT IS_ABSOLUTE ${archive})
    continue()   # the build's own archives: the framework and the game
  endif()
  set(owner "")
  foreach(prefix IN LISTS PREFIXES)
    string(FIND "${archive}" "${prefix}/lib/" at)
    if(at EQUAL 0)
      set(owner ${prefix})
    endif()
  endforeach()
  if(owner)
    list(APPEND linked_prefixes ${owner})
  elseif(archive MATCHES "/sysroot/lib/[^/]+/([^/]+)\\.a$")
    # emscripten's system libraries, by name with its variant suffixes (-mt, -noexcept, -debug ...)
    set(name ${CMAKE_MATCH_1})
    if(name MATCHES "^libc\\+\\+abi(-|$)")
      list(APPEND system_parts libcxxabi)
    elseif(name MATCHES "^libc\\+\\+(-|$)")
      list(APPEND system_parts libcxx)
    elseif(name MATCHES "^lib(c|sockets|printf_long_double)(-|$)")
      list(APPEND system_parts musl)
    elseif(name MATCHES "^libcompiler_rt(-|$)")
      list(APPEND system_parts compiler-rt)
    elseif(name MATCHES "^libdlmalloc(-|$)")
      list(APPEND system_parts dlmalloc)
    elseif(name MATCHES "^libunwind(-|$)")
      list(APPEND system_parts libunwind)
    elseif(name MATCHES "^libstb_image(-|$)")
      list(APPEND system_parts stb_image)
    elseif(NOT name MATCHES "^lib(stubs|noexit|GL|html5|al|emmalloc|fetch|jsmath|embind)(-|$)")
      message(FATAL_ERROR "glitzfall.wasm holds ${archive}, whose licence packaging/web/dist.cmake does not know")
    endif()   # (the rest is emscripten's own code: emscripten.txt)
  else()
    message(FATAL_ERROR "glitzfall.wasm holds ${archive}, whose licence packaging/web/dist.cmake does not know")
  endif()
endforeach()
list(REMOVE_DUPLICATES system_parts)
# In link order, as tools/cross/deps.sh lists them.
set(in_map ${linked_prefixes})
set(linked_prefixes "")
foreach(prefix IN LISTS PREFIXES)
  if(prefix IN_LIST in_map)
    list(APPEND linked_prefixes ${prefix})
  endif()
endforeach()
string(FIND "${map}" "(stb_image.c.o)" at)
if(at GREATER -1)
  list(APPEND system_parts stb_image)   # ext/stb_image.c, compiled into the framework
endif()

# --- licences/ ---------------------------------------------------------------------------------

# The game's own: its LICENSE at the top of the tree.
if(EXISTS ${SOURCE}/LICENSE)
  licence(glitzfall.txt "Glitz Fall: the game, its framework and tools, and the pictures, sounds and music they generate"
    IN ${SOURCE}/LICENSE MAIN "zlib")
else()
  dist_warn("${SOURCE}/LICENSE is missing: the page goes without the game's own licence")
endif()

# The fonts, with the text all packages give them (packaging/licences/fonts.txt.in), naming the
# page's files.
file(GLOB fonts RELATIVE ${DATA} ${DATA}/font*.png)
list(SORT fonts)
list(TRANSFORM fonts PREPEND data/)
string(REPLACE ";" ", " GLITZ_FONT_FILES "${fonts}")
string(APPEND GLITZ_FONT_FILES " in glitzfall.data")
configure_file(${SOURCE}/packaging/licences/fonts.txt.in ${licences}/fonts.txt @ONLY)
list_licence(fonts.txt "The fonts (${GLITZ_FONT_FILES}): bitmaps rendered from DejaVu Sans Bold" "Bitstream Vera")

# The libraries tools/cross/deps.sh built, with the copyright file of their Debian source package.
set(lgpl_prefixes "")
foreach(prefix IN LISTS linked_prefixes)
  file(GLOB copyright ${prefix}/share/doc/*/copyright)
  if(NOT copyright)
    message(FATAL_ERROR "${prefix} is in glitzfall.wasm but has no share/doc/<package>/copyright")
  endif()
  list(GET copyright 0 copyright)
  get_filename_component(package ${copyright} DIRECTORY)
  get_filename_component(package ${package} NAME)
  get_filename_component(folder ${prefix} NAME)
  string(REGEX REPLACE "^${package}-" "" version ${folder})
  file(STRINGS ${copyright} upstream REGEX "^Upstream-Name:" LIMIT_COUNT 1)
  string(REGEX REPLACE "^Upstream-Name:[ \t]*" "" upstream "${upstream}")
  set(title "${package} ${version}")
  if(upstream AND NOT upstream STREQUAL package)
    string(APPEND title " (${upstream})")
  endif()
  string(APPEND title ", linked into glitzfall.wasm")
  file(READ ${copyright} text)
  if(text MATCHES "\nLicense:[^\n]*LGPL")
    list(APPEND lgpl_prefixes ${prefix})
    string(APPEND title "; under the GNU LGPL, its source is in source/")
  endif()
  licence(${package}.txt "${title}" IN ${copyright})
endforeach()

if("stb_image" IN_LIST system_parts)
  licence(stb.txt "stb_image (Debian's libstb), compiled into glitzfall.wasm to read PNG pictures"
    IN ${STB_COPYRIGHT} FILES "*")
endif()

# emscripten: its JavaScript runtime (glitzfall.js: SDL 1.2 and OpenGL for the browser, the file
# system, the loader) is in every page, its system libraries as the link map has them. One file:
# the parts of Debian's copyright file for these, with musl's own COPYRIGHT.
file(STRINGS ${EMSCRIPTEN}/emscripten-version.txt EM_VERSION LIMIT_COUNT 1)
string(REPLACE "\"" "" EM_VERSION "${EM_VERSION}")
set(em_files * src/ system/include/SDL/)
set(em_extra "")
set(em_parts "")
foreach(part musl libcxx libcxxabi compiler-rt dlmalloc libunwind)
  if(NOT part IN_LIST system_parts)
    continue()
  elseif(part STREQUAL "musl")
    list(APPEND em_files system/lib/libc/)
    list(APPEND em_extra ${EMSCRIPTEN}/system/lib/libc/musl/COPYRIGHT)
    list(APPEND em_parts "musl (the C library)")
  elseif(part STREQUAL "libcxx")
    list(APPEND em_files system/lib/libcxx/)
    list(APPEND em_parts "libc++ (the C++ library)")
  elseif(part STREQUAL "libcxxabi")
    list(APPEND em_files system/lib/libcxxabi/)
    list(APPEND em_parts "libc++abi")
  elseif(part STREQUAL "compiler-rt")
    list(APPEND em_files system/lib/compiler-rt/)
    list(APPEND em_parts "compiler-rt")
  elseif(part STREQUAL "dlmalloc")
    list(APPEND em_files system/lib/dlmalloc.c)
    list(APPEND em_parts "dlmalloc (the allocator)")
  elseif(part STREQUAL "libunwind")
    list(APPEND em_files system/lib/libunwind/)
    list(APPEND em_parts "libunwind")
  endif()
endforeach()
string(REPLACE ";" ", " em_parts "${em_parts}")
licence(emscripten.txt "emscripten ${EM_VERSION}: the JavaScript runtime in glitzfall.js (with SDL 1.2 and OpenGL for the browser); in glitzfall.wasm its own code and ${em_parts}"
  IN ${EM_COPYRIGHT} FILES ${em_files} EXTRA ${em_extra})

# --- source/ -----------------------------------------------------------------------------------

# The game's source archive is `git archive` of HEAD, and only of a clean checkout: with
# uncommitted changes (untracked files included) HEAD is not what was built, and outside a git
# checkout nothing says which files are the source. Then the archive is left out with a warning,
# and README.txt and licences/index.html say it is missing: the build goes on, a page for
# publishing is built from a clean checkout.
set(archive glitzfall-${VERSION}-source.tar.gz)
set(why_no_archive "")
set(top "")
if(GIT)
  execute_process(COMMAND ${GIT} -C ${SOURCE} rev-parse --show-toplevel
    OUTPUT_VARIABLE top ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
if(top)
  file(REAL_PATH ${top} top)
endif()
file(REAL_PATH ${SOURCE} real_source)
if(NOT top STREQUAL real_source)
  set(why_no_archive "the page was built from a folder that is not a git checkout")
else()
  execute_process(COMMAND ${GIT} -C ${SOURCE} status --porcelain --untracked-files=normal
    OUTPUT_VARIABLE changes RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    set(why_no_archive "git could not tell whether the tree it was built from has uncommitted changes")
  elseif(changes)
    set(why_no_archive "the page was built from a tree with uncommitted changes")
  else()
    execute_process(COMMAND ${GIT} -C ${SOURCE} rev-parse HEAD OUTPUT_VARIABLE commit
      OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${GIT} -C ${SOURCE} archive --format=tar.gz --prefix=glitzfall-${VERSION}/
      -o ${source}/${archive} HEAD COMMAND_ERROR_IS_FATAL ANY)
  endif()
endif()
if(why_no_archive)
  dist_warn("${why_no_archive}: the page goes without the game's source archive (build a clean commit to publish it)")
  set(GAME_LINE "  (missing) The game's source archive is not here: ${why_no_archive}.")
else()
  set(GAME_LINE "  ${archive}\n    the game, its framework and tools: git commit ${commit}")
endif()

# The Debian source packages (.dsc and the files it lists) of the LGPL libraries.
set(PACKAGE_LINES "")
foreach(prefix IN LISTS lgpl_prefixes)
  get_filename_component(folder ${prefix} NAME)
  set(found "")
  foreach(dir IN LISTS SOURCES)
    # <package>-<version>, and the build folder the same with a recipe's tag after it.
    get_filename_component(name ${dir} NAME)
    string(FIND "${folder}-" "${name}-" at)
    if(at EQUAL 0)
      set(found ${dir})
    endif()
  endforeach()
  file(GLOB dsc ${found}/*.dsc)
  if(NOT found OR NOT dsc)
    dist_warn("no Debian source package for ${prefix}: put that library's source in dist/source/ by hand")
    string(APPEND PACKAGE_LINES "  (missing) The source of ${folder} is not here.\n")
    continue()
  endif()
  list(GET dsc 0 dsc)
  file(READ ${dsc} text)
  string(REGEX MATCHALL "\n [0-9a-f]+ [0-9]+ [^ \n]+" listed_files "${text}")
  list(TRANSFORM listed_files REPLACE "^\n [0-9a-f]+ [0-9]+ " "")
  list(REMOVE_DUPLICATES listed_files)
  get_filename_component(dsc_name ${dsc} NAME)
  set(files ${dsc_name})
  foreach(f IN LISTS listed_files)
    if(NOT EXISTS ${found}/${f})
      message(FATAL_ERROR "${dsc} lists ${f}, which is not beside it")
    endif()
    list(APPEND files ${f})
  endforeach()
  foreach(f IN LISTS files)
    file(COPY ${found}/${f} DESTINATION ${source})
  endforeach()
  string(REPLACE ";" "\n    " files_text "${files}")
  string(APPEND PACKAGE_LINES "  ${folder} (dpkg-source -x ${dsc_name} unpacks it):\n    ${files_text}\n")
endforeach()

configure_file(${CMAKE_CURRENT_LIST_DIR}/source-README.txt.in ${source}/README.txt @ONLY)

# --- licences/index.html -----------------------------------------------------------------------

function(html_escape var)
  string(REPLACE "&" "&amp;" text "${${var}}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${var} "${text}" PARENT_SCOPE)
endfunction()
set(LICENCE_ITEMS "")
foreach(file IN LISTS listed)
  set(title "${title_${file}}")
  html_escape(title)
  set(main "")
  if(main_${file})
    set(main " <span class=\"licence\">(${main_${file}})</span>")
  endif()
  string(APPEND LICENCE_ITEMS "  <li><a href=\"${file}\">${file}</a>: ${title}${main}</li>\n")
endforeach()
file(GLOB sources RELATIVE ${source} ${source}/*)
list(SORT sources)
set(SOURCE_ITEMS "")
foreach(file IN LISTS sources)
  string(APPEND SOURCE_ITEMS "  <li><a href=\"../source/${file}\">${file}</a></li>\n")
endforeach()
if(why_no_archive)
  set(MISSING "<p class=\"missing\">The game's source archive is missing: ${why_no_archive}.</p>\n")
else()
  set(MISSING "")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/licences.html.in ${licences}/index.html @ONLY)
