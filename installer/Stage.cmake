# Build step of one installer: copies what it ships into a fresh stage folder (programs without their
# debug information) and writes the list makensis includes: the stage folder, and a macro that passes
# each shipped file's name to another macro (to install it, to check for it, to delete it).
# Run with cmake -P; lists are separated by "|".
#   -DSTAGE=folder -DPROGRAMS=a.exe|b.exe -DFILES=c.dll|d.txt -DSTRIP=strip tool -DLISTS=folder
cmake_minimum_required(VERSION 3.25)
foreach(v STAGE LISTS)
  if(NOT ${v})
    message(FATAL_ERROR "Stage.cmake: ${v} is not set")
  endif()
endforeach()
string(REPLACE "|" ";" programs "${PROGRAMS}")
string(REPLACE "|" ";" files "${FILES}")

file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE} ${LISTS})
set(lines "!define STAGE \"${STAGE}\"\n!macro SHIPPED_FILES DO\n")
foreach(source IN LISTS programs files)
  get_filename_component(name ${source} NAME)
  if(EXISTS ${STAGE}/${name})
    message(FATAL_ERROR "Stage.cmake: ${name} is shipped twice")
  endif()
  if(source IN_LIST programs AND STRIP)
    execute_process(COMMAND ${STRIP} --strip-all -o ${STAGE}/${name} ${source} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "Stage.cmake: ${STRIP} failed on ${source}")
    endif()
  else()
    file(COPY_FILE ${source} ${STAGE}/${name})
  endif()
  string(APPEND lines "  !insertmacro \${DO} \"${name}\"\n")
endforeach()
string(APPEND lines "!macroend\n")
file(WRITE ${LISTS}/files.nsh "${lines}")
