# Installs the build into a fresh prefix and runs the installed tqv-snapshot from
# there: it must find the installed card library without any setting.
# Arguments: BUILD_DIR, WORK_DIR.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

foreach(file bin/tqv-multibuf bin/tqv-snapshot share/applications/tqv-multibuf.desktop
             bin/tqv-selftest share/man/man1/tqv-selftest.1.gz)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(GLOB_RECURSE libraries ${prefix}/lib*/libadcard.so)
if(NOT libraries)
  message(FATAL_ERROR "the card library was not installed under ${prefix}/lib")
endif()

set(shot ${WORK_DIR}/installed.png)
execute_process(COMMAND ${prefix}/bin/tqv-snapshot ${shot} --start --ms 500
                WORKING_DIRECTORY ${WORK_DIR}
                RESULT_VARIABLE status ERROR_VARIABLE errors TIMEOUT 60)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed tqv-snapshot failed (${status}): ${errors}")
endif()
file(READ ${shot} signature LIMIT 8 HEX)
if(NOT signature STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "the installed tqv-snapshot wrote no PNG")
endif()
execute_process(COMMAND ${prefix}/bin/tqv-selftest --seconds 1
                WORKING_DIRECTORY ${WORK_DIR}
                RESULT_VARIABLE status OUTPUT_VARIABLE table ERROR_VARIABLE errors TIMEOUT 60)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed tqv-selftest failed (${status}): ${table}${errors}")
endif()
message(STATUS "installed into ${prefix} and ran from there")
