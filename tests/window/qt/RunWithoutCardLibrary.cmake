# Runs a copy of the program in a folder without the card library and checks that
# it ends at once with status 2 and says which library it looked for and where.
# A program that went on to show its window would sit in its event loop until the
# time limit below, so ending in time also shows that no window was opened.
#   cmake -DPROGRAM=<tqv-multibuf> -DWORK_DIR=<scratch folder> -P RunWithoutCardLibrary.cmake
foreach(variable PROGRAM WORK_DIR)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "${variable} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/bin")
file(COPY "${PROGRAM}" DESTINATION "${WORK_DIR}/bin")
get_filename_component(program_name "${PROGRAM}" NAME)

execute_process(
  COMMAND "${WORK_DIR}/bin/${program_name}"
  WORKING_DIRECTORY "${WORK_DIR}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE errors
  TIMEOUT 20)

message(STATUS "status: ${status}\nstandard error:\n${errors}")
if(NOT status STREQUAL "2")
  message(FATAL_ERROR "expected exit status 2, got '${status}'")
endif()
foreach(expected "libadcard.so" "${WORK_DIR}/bin" "${WORK_DIR}/lib")
  string(FIND "${errors}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "standard error does not mention '${expected}'")
  endif()
endforeach()
