# Runs a copy of the program where no card library can be used and checks that it
# ends at once with status 2 and says why: alone in a folder (a library planted in
# the current directory must not be taken, even when LD_LIBRARY_PATH names the current
# directory through an empty or relative entry), with --card-library naming a missing
# file, a file that is no library, or a library that lacks a function, and with bad
# options. A program that went on to show its window would sit in its event loop
# until the time limit below, so ending in time also shows that no window was opened.
#   cmake -DPROGRAM=<tqv-multibuf> -DSIMULATOR=<libadcard.so> -DPARTIAL=<library lacking
#         StartIntr> -DWORK_DIR=<scratch folder> -P RunWithUnusableCardLibrary.cmake
foreach(variable PROGRAM SIMULATOR PARTIAL WORK_DIR)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "${variable} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/bin")
file(COPY "${PROGRAM}" DESTINATION "${WORK_DIR}/bin")
get_filename_component(program_name "${PROGRAM}" NAME)
get_filename_component(library_name "${SIMULATOR}" NAME)
# A working library in the current directory: loading it would open the window.
file(COPY "${SIMULATOR}" DESTINATION "${WORK_DIR}")
file(WRITE "${WORK_DIR}/not-a-library.so" "text, not a library\n")

# expect_refusal(WHAT EXPECTED... ARGUMENTS arguments...)
function(expect_refusal what)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "EXPECTED;ARGUMENTS")
  execute_process(
    COMMAND "${WORK_DIR}/bin/${program_name}" ${arg_ARGUMENTS}
    WORKING_DIRECTORY "${WORK_DIR}"
    RESULT_VARIABLE status
    OUTPUT_QUIET
    ERROR_VARIABLE errors
    TIMEOUT 20)
  if(NOT status STREQUAL "2")
    message(FATAL_ERROR "${what}: expected exit status 2, got '${status}'\n${errors}")
  endif()
  foreach(expected IN LISTS arg_EXPECTED)
    string(FIND "${errors}" "${expected}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${what}: standard error does not mention '${expected}':\n${errors}")
    endif()
  endforeach()
  message(STATUS "${what}: status 2\n${errors}")
endfunction()

foreach(search_path "" ":" ".")
  set(ENV{LD_LIBRARY_PATH} "${search_path}")
  expect_refusal("alone, LD_LIBRARY_PATH='${search_path}'"
    EXPECTED "${library_name}" "${WORK_DIR}/bin/${library_name} (the program's own folder)")
endforeach()
unset(ENV{LD_LIBRARY_PATH})

expect_refusal("--card-library naming a missing file"
  EXPECTED "${WORK_DIR}/missing/libadcard.so (given with --card-library)"
  ARGUMENTS --card-library missing/libadcard.so)
expect_refusal("--card-library naming a file that is no library"
  EXPECTED "${WORK_DIR}/not-a-library.so (given with --card-library)"
  ARGUMENTS --card-library not-a-library.so)
expect_refusal("--card-library naming a library that lacks StartIntr"
  EXPECTED "${PARTIAL}" "lacks functions" "StartIntr"
  ARGUMENTS --card-library "${PARTIAL}")
expect_refusal("an unknown option" EXPECTED "bogus" ARGUMENTS --bogus)
expect_refusal("--card-library without its file" EXPECTED "card-library" ARGUMENTS --card-library)
