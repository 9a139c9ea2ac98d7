# Compares the defined dynamic symbols of LIBRARY (demangled), each with the version node it is
# defined in ("name@@NODE"), with the list in EXPECTED.
# Usage: cmake -DNM=nm -DLIBRARY=libqxscsi.so -DEXPECTED=list.txt -P CheckExports.cmake
execute_process(COMMAND ${NM} -D --defined-only -C ${LIBRARY}
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${out}")
set(actual "")
foreach(line IN LISTS lines)
  # "<address> <type> <name>"; absolute symbols (type A) are version nodes, not names.
  if(line MATCHES "^[0-9a-fA-F]+ ([A-Za-z]) (.*)$")
    if(NOT CMAKE_MATCH_1 STREQUAL "A")
      list(APPEND actual "${CMAKE_MATCH_2}")
    endif()
  endif()
endforeach()
list(SORT actual)
list(REMOVE_DUPLICATES actual)

file(STRINGS ${EXPECTED} wanted_lines)
set(wanted "")
foreach(line IN LISTS wanted_lines)
  if(NOT line MATCHES "^#" AND NOT line STREQUAL "")
    list(APPEND wanted "${line}")
  endif()
endforeach()
list(SORT wanted)

set(extra ${actual})
list(REMOVE_ITEM extra ${wanted})
set(missing ${wanted})
list(REMOVE_ITEM missing ${actual})
if(extra OR missing)
  string(REPLACE ";" "\n  " extra_text "${extra}")
  string(REPLACE ";" "\n  " missing_text "${missing}")
  message(FATAL_ERROR "Exported symbols differ.\nExported but not public:\n  ${extra_text}\n"
                      "Public but not exported:\n  ${missing_text}")
endif()
list(LENGTH actual n)
message(STATUS "${n} exported symbols, all public")
