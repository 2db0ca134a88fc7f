# SPDX-License-Identifier: Zlib
# licence_text_check.cmake - packaging/licence_text.cmake on a copyright file of its own making:
# the whole file with CR LF ends and each pointed-to licence appended once; a part (FILES) with
# exactly the licence paragraphs it names, in any letter case, and CMake's list characters intact;
# no file at all for a pointer to a missing licence or a named licence without text.
#   cmake -DSCRIPT=packaging/licence_text.cmake -DWORK=<folder> -P tests/licence_text_check.cmake
cmake_minimum_required(VERSION 3.25)
set(failures 0)
function(expect what)   # expect(<what> <condition>...)
  if(NOT (${ARGN}))
    message(NOTICE "FAIL: ${what}")
    math(EXPR n "${failures} + 1")
    set(failures ${n} PARENT_SCOPE)
  endif()
endfunction()
function(run out)   # run(<result variable> -D...): licence_text.cmake's exit code
  execute_process(COMMAND ${CMAKE_COMMAND} ${ARGN} -P ${SCRIPT} RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  set(${out} ${rc} PARENT_SCOPE)
endfunction()
function(count text what out)   # occurrences of the string what in text
  string(LENGTH "${text}" all)
  string(REPLACE "${what}" "" rest "${text}")
  string(LENGTH "${rest}" left)
  string(LENGTH "${what}" one)
  math(EXPR n "(${all} - ${left}) / ${one}")
  set(${out} ${n} PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(in ${WORK}/copyright)
file(WRITE ${in} "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: sample

Files: *
Copyright: 2020 A
License: LGPL-2.1+
 Its text: /usr/share/common-licenses/LGPL-2.1.

Files: src/special/*
Copyright: 2021 B
License: (Expat or BSD-3-Clause) and Apache-2.0 with LLVM exception
 The exception, inline.

Files: tests/*
Copyright: 2022 C
License: GPL-3+

Files: */configure
Copyright: 2023 E
License: GPL-3+

License: lgpl-2.1+
 See `/usr/share/common-licenses/LGPL-2.1'.

License: Expat
 Keep; these [as they are] \\ here.

License: BSD-3-clause
 Redistribution and use ...

License: Apache-2.0
 The Apache licence.

License: GPL-3+
 See /usr/share/common-licenses/GPL-3
")
file(READ /usr/share/common-licenses/LGPL-2.1 lgpl)
string(REGEX REPLACE "\n+$" "" lgpl "${lgpl}")

# The whole file, for Windows.
run(rc -DIN=${in} -DOUT=${WORK}/whole.txt -DCRLF=ON)
# (file(READ) drops CRs: the line ends are counted in the bytes.)
file(READ ${WORK}/whole.txt bytes HEX)
string(REGEX REPLACE "(..)" " \\1" bytes "${bytes}")
string(REGEX MATCHALL " 0a" lf "${bytes}")
string(REGEX MATCHALL " 0d" cr "${bytes}")
string(REGEX MATCHALL " 0d 0a" crlf "${bytes}")
list(LENGTH lf lf)
list(LENGTH cr cr)
list(LENGTH crlf crlf)
expect("CRLF: every line ends in CR LF (${lf} LF, ${cr} CR, ${crlf} CR LF)"
  rc EQUAL 0 AND lf EQUAL crlf AND cr EQUAL crlf AND lf GREATER 100)
file(READ ${WORK}/whole.txt whole)
count("${whole}" "${lgpl}" n)
expect("LGPL-2.1, pointed to twice, is appended once (${n} times)" n EQUAL 1)
count("${whole}" "the full text of /usr/share/common-licenses/GPL-3 ====" n)
expect("GPL-3 is appended" n EQUAL 1)
string(FIND "${whole}" "Files: tests/*\nCopyright: 2022 C" at)
expect("the whole file keeps every paragraph" at GREATER 0)

# A part: the paragraph of src/special and its licences' texts.
run(rc -DIN=${in} -DOUT=${WORK}/part.txt -DFILES=src/special/ -DTITLE=Sample)
file(READ ${WORK}/part.txt part)
set(kept "")
set(dropped "")
foreach(p "Sample\n\nFormat:" "Files: src/special/*\nCopyright: 2021 B" "License: Expat\n Keep; these [as they are] \\ here."
    "License: BSD-3-clause" "License: Apache-2.0")
  string(FIND "${part}" "${p}" at)
  if(at LESS 0)
    list(APPEND kept "${p}")
  endif()
endforeach()
foreach(p "Files: *" "Files: tests/*" "Files: */configure" "License: lgpl-2.1+" "License: GPL-3+" "==== ")
  string(FIND "${part}" "${p}" at)
  if(at GREATER -1)
    list(APPEND dropped "${p}")
  endif()
endforeach()
expect("FILES keeps the part and its licences (missing: ${kept})" rc EQUAL 0 AND NOT kept)
expect("FILES drops the other paragraphs (left: ${dropped})" NOT dropped)

# "*" is the paragraph for "*" only.
run(rc -DIN=${in} -DOUT=${WORK}/star.txt -DFILES=*)
file(READ ${WORK}/star.txt star)
string(FIND "${star}" "Files: *\nCopyright: 2020 A" at)
string(FIND "${star}" "Files: */configure" other)
expect("FILES * keeps the paragraph for * alone" rc EQUAL 0 AND at GREATER 0 AND other EQUAL -1)

# Nothing is written without the texts.
file(WRITE ${WORK}/pointer "License: x\n See /usr/share/common-licenses/NO-SUCH-LICENCE.\n")
run(rc -DIN=${WORK}/pointer -DOUT=${WORK}/pointer.txt)
expect("a pointer to a missing licence fails" NOT rc EQUAL 0 AND NOT EXISTS ${WORK}/pointer.txt)
file(WRITE ${WORK}/untexted "Format: x\n\nFiles: a/*\nCopyright: D\nLicense: Unknown\n")
run(rc -DIN=${WORK}/untexted -DOUT=${WORK}/untexted.txt -DFILES=a/)
expect("a kept licence without text fails" NOT rc EQUAL 0 AND NOT EXISTS ${WORK}/untexted.txt)

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} licence_text checks failed")
endif()
