# Builds the Debian package and checks what it holds and what it depends on.
# Arguments: BUILD_DIR, WORK_DIR.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND cpack --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cpack failed: ${output}")
endif()
file(GLOB package ${WORK_DIR}/*.deb)
if(NOT package)
  message(FATAL_ERROR "no .deb made")
endif()

execute_process(COMMAND dpkg-deb --field ${package} Depends OUTPUT_VARIABLE depends)
foreach(needed libqt6widgets6 libqt6gui6 libqt6core6 libstdc\\+\\+6 fonts-wqy-microhei)
  if(NOT depends MATCHES "${needed}")
    message(FATAL_ERROR "the package does not depend on ${needed}: ${depends}")
  endif()
endforeach()

execute_process(COMMAND dpkg-deb --contents ${package} OUTPUT_VARIABLE contents)
foreach(file usr/bin/tqv-multibuf usr/bin/tqv-snapshot usr/share/applications/tqv-multibuf.desktop
             libadcard.so)
  if(NOT contents MATCHES "${file}")
    message(FATAL_ERROR "the package lacks ${file}")
  endif()
endforeach()
foreach(stray binding_tests partial fuzz_ bench_)
  if(contents MATCHES "${stray}")
    message(FATAL_ERROR "the package holds a test or benchmark file (${stray})")
  endif()
endforeach()
message(STATUS "package ${package}: depends on ${depends}")
