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
foreach(arguments "--ms;abc" "${OUTPUT};--ms" "${OUTPUT};${OUTPUT}")
  expect_run("'${arguments}'" STATUS 2 ERR "tqv-snapshot: " "Try 'tqv-snapshot --help'"
    COMMAND "${PROGRAM}" ${arguments})
endforeach()
# With no picture named it still opens the panel and prints the identity: a library that
# does not load is named, and is no usage error.
expect_run("no picture" STATUS 0 OUT "卡名: 5200" COMMAND "${PROGRAM}" --ms 0)
expect_run("a missing library" STATUS 2 ERR "/nope.so" COMMAND "${PROGRAM}" --card-library /nope.so)
expect_run("an unwritable picture" STATUS 3 COMMAND "${PROGRAM}" "${OUTPUT}.none/x.png" --ms 0
  ERR "picture not written: " "${OUTPUT}.none/x.png")

# A disk that fills up half way (a file-size limit of 16 kB): the earlier picture stays
# whole, no part of the new one is left, and the run says it failed.
file(READ "${OUTPUT}" before HEX)
expect_run("a picture cut short" STATUS 3 ERR "picture not written: " "File too large"
  COMMAND sh -c "ulimit -f 16 && exec \"$0\" \"$@\"" "${PROGRAM}" "${OUTPUT}" --ms 0)
file(READ "${OUTPUT}" after HEX)
get_filename_component(folder "${OUTPUT}" DIRECTORY)
file(GLOB leftovers "${folder}/.*.part")
if(NOT before STREQUAL after OR leftovers)
  message(FATAL_ERROR "a failed save changed ${OUTPUT} or left ${leftovers}")
endif()

# A result that could not be printed is no success.
expect_run("a full standard output" STATUS 3 ERR "cannot write to standard output"
  COMMAND sh -c "exec \"$0\" \"$@\" >/dev/full" "${PROGRAM}" "${OUTPUT}" --ms 0)
