# Runs xdump on every file listed in tests/data/expected-results.txt and
# compares the "result" member with the expected code.
# Usage: cmake -DXDUMP=path -DDATA=folder [-DEMULATOR=wine] -P XFileDumpResults.cmake
file(STRINGS "${DATA}/expected-results.txt" lines)
set(failures 0)
set(checked 0)
foreach(line IN LISTS lines)
  if(line MATCHES "^#" OR line STREQUAL "")
    continue()
  endif()
  string(REGEX MATCH "^([^ ]+) ([0-9])$" ok "${line}")
  if(NOT ok)
    message(SEND_ERROR "bad manifest line: ${line}")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()
  set(name "${CMAKE_MATCH_1}")
  set(expected "${CMAKE_MATCH_2}")
  execute_process(COMMAND ${EMULATOR} "${XDUMP}" "${DATA}/${name}" OUTPUT_VARIABLE out ERROR_VARIABLE err
                  RESULT_VARIABLE rc)
  if(EMULATOR AND NOT rc EQUAL 0 AND out STREQUAL "")
    # Under a loaded machine wine now and then fails to start a process at
    # all (status 1, not a word from xdump); once more tells that from a fault.
    execute_process(COMMAND ${EMULATOR} "${XDUMP}" "${DATA}/${name}" OUTPUT_VARIABLE out ERROR_VARIABLE err
                    RESULT_VARIABLE rc)
  endif()
  string(REGEX MATCH "^\\{\"result\":([0-9])," got "${out}")
  if(NOT rc EQUAL 0 OR NOT got OR NOT CMAKE_MATCH_1 STREQUAL expected)
    message(SEND_ERROR "${name}: expected result ${expected}, xdump exit ${rc}, output: ${out} ${err}")
    math(EXPR failures "${failures} + 1")
  endif()
  math(EXPR checked "${checked} + 1")
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} of ${checked} files gave an unexpected result")
endif()
message(STATUS "${checked} files gave their expected results")
