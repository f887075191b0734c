# A copy of the program where no card library can be used must end at once with status 2
# and say why: alone in a folder, with a working library in the current directory that
# an empty or relative LD_LIBRARY_PATH entry must not reach; with --card-library naming a
# missing file, a file that is no library, a library lacking a function; with bad options.
#   cmake -DPROGRAM=<tqv-multibuf> -DSIMULATOR=<libadcard.so> -DPARTIAL=<library lacking
#         StartIntr> -DSHIPPED_DIR=<the shipped card's folder, relative to the prefix>
#         -DWORK_DIR=<scratch folder> -P RunWithUnusableCardLibrary.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../../e2e/ExpectRun.cmake)
file(REMOVE_RECURSE "${WORK_DIR}")
file(COPY "${PROGRAM}" DESTINATION "${WORK_DIR}/bin")
file(COPY "${SIMULATOR}" DESTINATION "${WORK_DIR}")
file(WRITE "${WORK_DIR}/not-a-library.so" "text, not a library\n")
get_filename_component(program "${PROGRAM}" NAME)
set(program "${WORK_DIR}/bin/${program}")

foreach(search_path "" ":" ".")
  set(ENV{LD_LIBRARY_PATH} "${search_path}")
  expect_run("LD_LIBRARY_PATH='${search_path}'" STATUS 2 IN "${WORK_DIR}" COMMAND "${program}"
    ERR "${WORK_DIR}/bin/libadcard.so (the program's own folder)"
        "${WORK_DIR}/${SHIPPED_DIR}/libadcard.so (the shipped simulated card)")
endforeach()
unset(ENV{LD_LIBRARY_PATH})

foreach(given "missing/libadcard.so" "not-a-library.so")
  expect_run("--card-library ${given}" STATUS 2 IN "${WORK_DIR}" COMMAND "${program}" --card-library
    "${given}" ERR "${WORK_DIR}/${given} (given with --card-library)")
endforeach()
expect_run("--card-library naming a library lacking StartIntr" STATUS 2 COMMAND "${program}"
  --card-library "${PARTIAL}" ERR "${PARTIAL} lacks functions the program needs:\n  StartIntr ")
expect_run("an unknown option" STATUS 2 COMMAND "${program}" --bogus ERR "bogus")
expect_run("--card-library alone" STATUS 2 COMMAND "${program}" --card-library ERR "card-library")
