# Starts acquisition in the real window off screen, lets it run and checks that a
# PNG picture of it is written; then checks that bad arguments and an unwritable
# picture are refused.
#   cmake -DPROGRAM=<tqv-snapshot> -DOUTPUT=<file.png> -P RunSnapshot.cmake
file(REMOVE "${OUTPUT}")
execute_process(
  COMMAND "${PROGRAM}" "${OUTPUT}" --start --ms 1000
  RESULT_VARIABLE status
  ERROR_VARIABLE errors
  TIMEOUT 30)
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "tqv-snapshot ended with '${status}':\n${errors}")
endif()
if(NOT EXISTS "${OUTPUT}")
  message(FATAL_ERROR "no picture written to ${OUTPUT}")
endif()
file(READ "${OUTPUT}" signature LIMIT 8 HEX)
if(NOT signature STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "${OUTPUT} is not a PNG file (starts with ${signature})")
endif()

foreach(arguments "" "--ms;abc" "${OUTPUT};--ms" "${OUTPUT};${OUTPUT}")
  execute_process(COMMAND "${PROGRAM}" ${arguments} RESULT_VARIABLE status ERROR_VARIABLE errors
                  TIMEOUT 30)
  if(NOT status STREQUAL "2" OR errors STREQUAL "")
    message(FATAL_ERROR "arguments '${arguments}' were not refused with status 2 and a message "
                        "(status '${status}')")
  endif()
endforeach()

# A picture that cannot be written is a failure with a message.
execute_process(COMMAND "${PROGRAM}" "${OUTPUT}.missing-folder/x.png" --ms 0
                RESULT_VARIABLE status ERROR_VARIABLE errors TIMEOUT 30)
if(status STREQUAL "0" OR NOT errors MATCHES "cannot write")
  message(FATAL_ERROR "an unwritable picture was not reported (status '${status}')")
endif()
