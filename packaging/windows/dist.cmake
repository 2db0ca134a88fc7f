# SPDX-License-Identifier: Zlib
# dist.cmake - stages the Windows files and packs them (cmake -P, from packaging/windows.cmake).
# In: DIST, VERSION, PROGRAM, DLLS (a list), DATA, README, LICENCES (a list), NSI, MAKENSIS, STRIP.
set(name glitzfall-${VERSION})
set(stage ${DIST}/${name})
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage}/licences)
# The program and, beside it, the DLLs it loads (each can be swapped for another build of the
# same library); all stripped of their symbols and debugging data.
foreach(binary IN LISTS PROGRAM DLLS)
  file(COPY ${binary} DESTINATION ${stage} FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  get_filename_component(binary_name ${binary} NAME)
  if(STRIP)
    execute_process(COMMAND ${STRIP} ${stage}/${binary_name} COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
file(COPY ${DATA}/ DESTINATION ${stage}/data)
configure_file(${README} ${stage}/README.txt COPYONLY)
# The licence texts, made stand-alone with CR LF line ends by packaging/windows.cmake.
foreach(licence IN LISTS LICENCES)
  file(COPY ${licence} DESTINATION ${stage}/licences)
endforeach()

# The installer's lists: File lines per folder, and the deletions in reverse (files, then folders
# from the deepest up).
file(GLOB_RECURSE files RELATIVE ${stage} LIST_DIRECTORIES false ${stage}/*)
list(SORT files)
set(install "")
set(uninstall "")
set(dirs "")
set(current "-")
foreach(f IN LISTS files)
  get_filename_component(dir ${f} DIRECTORY)
  string(REPLACE "/" "\\" wdir "${dir}")
  string(REPLACE "/" "\\" wf "${f}")
  if(NOT dir STREQUAL current)
    if(dir STREQUAL "")
      string(APPEND install "SetOutPath \"$INSTDIR\"\n")
    else()
      string(APPEND install "SetOutPath \"$INSTDIR\\${wdir}\"\n")
      list(APPEND dirs ${dir})
    endif()
    set(current ${dir})
  endif()
  string(APPEND install "File \"${stage}/${f}\"\n")
  string(APPEND uninstall "Delete \"$INSTDIR\\${wf}\"\n")
endforeach()
list(REMOVE_DUPLICATES dirs)
list(SORT dirs)
list(REVERSE dirs)
foreach(d IN LISTS dirs)
  string(REPLACE "/" "\\" wd "${d}")
  string(APPEND uninstall "RMDir \"$INSTDIR\\${wd}\"\n")
endforeach()
file(WRITE ${DIST}/files_install.nsh "${install}")
file(WRITE ${DIST}/files_uninstall.nsh "${uninstall}")

file(REMOVE ${DIST}/${name}-win64.zip)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${name}-win64.zip --format=zip ${name}
  WORKING_DIRECTORY ${DIST} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${MAKENSIS} -V2 -NOCD "-DDIST=${DIST}" "-DOUTFILE=${DIST}/${name}-setup.exe" ${NSI}
  WORKING_DIRECTORY ${DIST} COMMAND_ERROR_IS_FATAL ANY)
