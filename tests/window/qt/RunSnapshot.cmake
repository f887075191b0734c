# tqv-snapshot writes a PNG picture of a running panel, refuses bad arguments with
# status 2 and reports a picture it cannot write.
#   cmake -DPROGRAM=<tqv-snapshot> -DOUTPUT=<file.png> -P RunSnapshot.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../../e2e/ExpectRun.cmake)
file(REMOVE "${OUTPUT}")
expect_run("a running panel" STATUS 0 COMMAND "${PROGRAM}" "${OUTPUT}" --start --ms 1000)
file(READ "${OUTPUT}" signature LIMIT 8 HEX)
if(NOT signature STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "${OUTPUT} is no PNG picture (starts with '${signature}')")
endif()
foreach(arguments "" "--ms;abc" "${OUTPUT};--ms" "${OUTPUT};${OUTPUT}")
  expect_run("'${arguments}'" STATUS 2 ERR "tqv-snapshot: " COMMAND "${PROGRAM}" ${arguments})
endforeach()
expect_run("an unwritable picture" STATUS 3 COMMAND "${PROGRAM}" "${OUTPUT}.none/x.png" --ms 0
  ERR "cannot write ${OUTPUT}.none/x.png")
