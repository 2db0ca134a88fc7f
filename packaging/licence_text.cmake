# SPDX-License-Identifier: Zlib
# licence_text.cmake - one licence file that stands alone: a Debian copyright file (or any licence
# text) with the complete text of every /usr/share/common-licenses/NAME it points to appended, for
# packages read where no Debian system is at hand (the web page, the Windows zip and installer).
#
#   cmake -DIN=<copyright> -DOUT=<file> [-DCRLF=ON] [-DTITLE=<text>] [-DFILES=<prefix;...>]
#         [-DEXTRA=<file;...>] -P packaging/licence_text.cmake
#
#   TITLE  a first paragraph: what the file covers in this package.
#   FILES  keeps only the header paragraph, the Files paragraphs one of whose patterns starts with
#          one of these prefixes ("*" matches only the paragraph for "*" itself) and the stand-alone
#          License paragraphs they name: one part of a large package (emscripten's musl, say).
#   EXTRA  files appended as they are (a library's own licence file).
#   CRLF   CR LF line ends; LF otherwise.
# Stops with an error, writing nothing, when a pointed-to licence is missing on this machine or a
# licence that FILES keeps has no text in IN: a licence file is never written without its texts.
if(NOT IN OR NOT OUT)
  message(FATAL_ERROR "usage: cmake -DIN=<copyright> -DOUT=<file> [-DCRLF=ON] [-DTITLE=...] "
    "[-DFILES=...] [-DEXTRA=...] -P licence_text.cmake")
endif()
cmake_minimum_required(VERSION 3.25)
set(kCommon /usr/share/common-licenses)

file(READ "${IN}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REGEX REPLACE "\n+$" "" text "${text}")

if(FILES)
  # Paragraphs become list items: the characters CMake's lists treat specially are swapped for
  # control characters first, and back on output.
  string(ASCII 1 kSemi)
  string(ASCII 2 kOpen)
  string(ASCII 3 kClose)
  string(ASCII 4 kBackslash)
  string(REPLACE "\\" "${kBackslash}" text "${text}")
  string(REPLACE ";" "${kSemi}" text "${text}")
  string(REPLACE "[" "${kOpen}" text "${text}")
  string(REPLACE "]" "${kClose}" text "${text}")
  string(REGEX REPLACE "\n([ \t]*\n)+" ";" paragraphs "${text}")

  # The licence names of a License field's first line: "(Expat or NCSA~Mozilla) and Zlib",
  # "Apache-2.0 with LLVM exception" (its exception text is inline). Names are compared in lower
  # case, as the copyright format says.
  function(licence_names expression out)
    string(TOLOWER "${expression}" expression)
    string(REGEX REPLACE "[()]" "" expression "${expression}")
    string(REGEX REPLACE " with [^ ]+ exception" "" expression "${expression}")
    string(REGEX REPLACE "[ \t]+(or|and)[ \t]+|,[ \t]*" ";" expression "${expression}")
    string(STRIP "${expression}" expression)
    set(${out} ${expression} PARENT_SCOPE)
  endfunction()

  set(kept_files "")
  set(needed "")
  set(inline "")
  foreach(p IN LISTS paragraphs)
    if(NOT p MATCHES "^Files:([^\n]*(\n[ \t][^\n]*)*)")
      continue()
    endif()
    string(REGEX REPLACE "[ \t\n]+" ";" patterns "${CMAKE_MATCH_1}")
    set(keep FALSE)
    foreach(pattern IN LISTS patterns)
      foreach(prefix IN LISTS FILES)
        string(FIND "${pattern}" "${prefix}" at)
        if(pattern STREQUAL prefix OR (NOT prefix STREQUAL "*" AND at EQUAL 0))
          set(keep TRUE)
        endif()
      endforeach()
    endforeach()
    if(keep AND p MATCHES "\nLicense:[ \t]*([^\n]*)(\n[ \t])?")
      licence_names("${CMAKE_MATCH_1}" names)
      list(APPEND needed ${names})
      if(CMAKE_MATCH_2)
        list(APPEND inline ${names})
      endif()
    endif()
    if(keep)
      list(APPEND kept_files "${p}")
    endif()
  endforeach()
  if(NOT kept_files)
    message(FATAL_ERROR "${IN}: no Files paragraph matches ${FILES}")
  endif()

  # The paragraphs in their order: the header, the kept Files paragraphs, their licences.
  set(text "")
  set(found "")
  list(GET paragraphs 0 header)
  foreach(p IN LISTS paragraphs)
    set(keep FALSE)
    if(p STREQUAL header AND p MATCHES "^Format:")
      set(keep TRUE)
    elseif(p MATCHES "^Files:")
      if("${p}" IN_LIST kept_files)
        set(keep TRUE)
      endif()
    elseif(p MATCHES "^License:[ \t]*([^\n]*)")
      string(STRIP "${CMAKE_MATCH_1}" name)
      string(TOLOWER "${name}" name)
      if(name IN_LIST needed)
        set(keep TRUE)
        list(APPEND found "${name}")
      endif()
    endif()
    if(keep)
      string(APPEND text "${p}\n\n")
    endif()
  endforeach()
  foreach(name IN LISTS needed)
    if(NOT name IN_LIST found AND NOT name IN_LIST inline)
      message(FATAL_ERROR "${IN}: the licence ${name} of the kept files has no text there")
    endif()
  endforeach()

  string(REGEX REPLACE "\n+$" "" text "${text}")
  string(REPLACE "${kSemi}" ";" text "${text}")
  string(REPLACE "${kOpen}" "[" text "${text}")
  string(REPLACE "${kClose}" "]" text "${text}")
  string(REPLACE "${kBackslash}" "\\" text "${text}")
endif()

if(TITLE)
  set(text "${TITLE}\n\n${text}")
endif()

# The full texts, each once, in the order first pointed to.
string(REGEX MATCHALL "${kCommon}/[A-Za-z0-9._+-]*[A-Za-z0-9+]" pointers "${text}")
list(REMOVE_DUPLICATES pointers)
foreach(path IN LISTS pointers)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "${IN} points to ${path}, which this machine lacks")
  endif()
  file(READ "${path}" full)
  get_filename_component(name "${path}" NAME)
  string(APPEND text "\n\n\n==== ${name}: the full text of ${path} ====\n\n${full}")
endforeach()
foreach(path IN LISTS EXTRA)
  file(READ "${path}" full)
  get_filename_component(name "${path}" NAME)
  string(APPEND text "\n\n\n==== ${name} ====\n\n${full}")
endforeach()

string(REPLACE "\r\n" "\n" text "${text}")
string(REGEX REPLACE "\n+$" "" text "${text}")
string(APPEND text "\n")
if(CRLF)
  string(REPLACE "\n" "\r\n" text "${text}")
endif()
file(WRITE "${OUT}" "${text}")
