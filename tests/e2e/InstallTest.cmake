# Installs the build into a fresh prefix and runs the installed tqv-snapshot from
# there, checking which card library it binds and the identity the panel shows:
#  - no vendor library: the shipped simulated card, from the private folder;
#  - a vendor's library (the stand-in) in a folder named in LD_LIBRARY_PATH: that one;
#  - a library in the program's own folder as well: that one;
#  - --card-library naming the vendor's: that one, whatever else is there.
# Arguments: BUILD_DIR, WORK_DIR, SHIPPED_DIR (the private folder, relative to the
# prefix), SIMULATOR (the build's libadcard.so), STAND_IN (the stand-in's file).
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(shipped ${prefix}/${SHIPPED_DIR}/libadcard.so)
foreach(file ${shipped} ${prefix}/bin/tqv-multibuf ${prefix}/bin/tqv-snapshot ${prefix}/bin/tqv-selftest
             ${prefix}/share/man/man1/tqv-selftest.1.gz)
  if(NOT EXISTS ${file})

execute_process(COMMAND ${prefix}/bin/tqv-selftest --seconds 1
                WORKING_DIRECTORY ${WORK_DIR}
                RESULT_VARIABLE status OUTPUT_VARIABLE table ERROR_VARIABLE errors TIMEOUT 60)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed tqv-selftest failed (${status}): ${table}${errors}")
endif()
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

get_filename_component(stand_in_dir ${STAND_IN} DIRECTORY)
# run(NAME IDENTITY BOUND [arguments...]): the panel shows IDENTITY; --verbose names BOUND.
function(run name identity bound)
  execute_process(COMMAND ${prefix}/bin/tqv-snapshot ${WORK_DIR}/${name}.png --verbose ${ARGN}
                  WORKING_DIRECTORY ${WORK_DIR}
                  RESULT_VARIABLE status OUTPUT_VARIABLE shown ERROR_VARIABLE errors TIMEOUT 60)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${name}: the installed tqv-snapshot failed (${status}): ${errors}")
  endif()
  if(NOT shown MATCHES "${identity}")
    message(FATAL_ERROR "${name}: the panel shows '${shown}', not '${identity}'")
  endif()
  string(FIND "${errors}" "card library: ${bound}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${name}: --verbose does not name '${bound}': ${errors}")
  endif()
  message(STATUS "${name}: ${shown}${errors}")
endfunction()

unset(ENV{LD_LIBRARY_PATH})
run(no_vendor "5200 类型: 1" "${shipped} (the shipped simulated card)" --start --ms 500)
set(ENV{LD_LIBRARY_PATH} ${stand_in_dir})
run(vendor_on_the_loaders_search "6100 类型: 2"
    "${stand_in_dir}/libadcard.so (the system's library search; not the shipped" --ms 0)
file(COPY ${SIMULATOR} DESTINATION ${prefix}/bin)
run(beside_the_program "5200 类型: 1" "${prefix}/bin/libadcard.so (the program's own folder" --ms 0)
unset(ENV{LD_LIBRARY_PATH})
run(given "6100 类型: 2" "${STAND_IN} (given with --card-library" --ms 0 --card-library ${STAND_IN})

execute_process(COMMAND ${prefix}/bin/tqv-selftest --seconds 1
                WORKING_DIRECTORY ${WORK_DIR}
                RESULT_VARIABLE status OUTPUT_VARIABLE table ERROR_VARIABLE errors TIMEOUT 60)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed tqv-selftest failed (${status}): ${table}${errors}")
endif()
