# tqv-snapshot --scope-csv with a 20 ms span triggered on the simulated card's 50 Hz sine
# writes 200 scans whose time 0 is where channel 0 rises through its middle (2048),
# and refuses a span or a trigger it does not offer with status 2.
#   cmake -DPROGRAM=<tqv-snapshot> -DOUTPUT=<file.csv> -P RunSnapshotScopeCsv.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../../e2e/ExpectRun.cmake)
file(REMOVE "${OUTPUT}")
expect_run("a triggered CSV" STATUS 0
  COMMAND "${PROGRAM}" --scope-csv "${OUTPUT}" --span 20 --trigger 0,rising --ms 1000)
file(STRINGS "${OUTPUT}" rows)
list(LENGTH rows count)
list(GET rows 0 header)
if(NOT count EQUAL 201 OR NOT header STREQUAL "time_s,ch0,ch1,ch2,ch3")
  message(FATAL_ERROR "expected a header and 200 rows, not ${count} lines under '${header}'")
endif()
set(before "")
foreach(row IN LISTS rows)
  if(row MATCHES "^0,(-?[0-9]+),")
    set(at ${CMAKE_MATCH_1})
    break()
  endif()
  set(before "${row}")
endforeach()
string(REGEX MATCH "^-0.0001,(-?[0-9]+)," found "${before}")
if(NOT at OR NOT found OR at LESS 2048 OR NOT CMAKE_MATCH_1 LESS 2048)
  message(FATAL_ERROR "no rising edge through 2048 at time 0: '${before}', then ${at}")
endif()
foreach(arguments "--span;3" "--trigger;4,rising" "--trigger;0,up")
  expect_run("'${arguments}'" STATUS 2 ERR "tqv-snapshot: "
    COMMAND "${PROGRAM}" --scope-csv "${OUTPUT}" ${arguments})
endforeach()
