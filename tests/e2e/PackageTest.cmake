# Builds the Debian package, checks what it holds and what it depends on, and has
# lintian check it: no error and no warning may remain (overrides carry their reason
# in packaging/lintian-overrides).
# Arguments: BUILD_DIR, WORK_DIR, SHIPPED_DIR (the simulated card's private folder,
# relative to the prefix), LINTIAN (the program, or empty when it is not installed).
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
             usr/${SHIPPED_DIR}/libadcard.so usr/share/doc/tqv-multibuf/copyright
             usr/share/man/man1/tqv-multibuf.1.gz usr/share/man/man1/tqv-snapshot.1.gz
             usr/share/icons/hicolor/scalable/apps/tqv-multibuf.svg)
  if(NOT contents MATCHES " \\./${file}\n")
    message(FATAL_ERROR "the package lacks ${file}")
  endif()
endforeach()
# A vendor's package owns the card library's usual name; ours must never clash with it.
if(contents MATCHES " \\./usr/lib(64)?/(lib)?adcard|/usr/lib/[a-z0-9_]+-linux-gnu[a-z]*/(lib)?adcard")
  message(FATAL_ERROR "the package holds a card library where a vendor's would be:\n${contents}")
endif()
foreach(stray binding_tests partial fuzz_ bench_)
  if(contents MATCHES "${stray}")
    message(FATAL_ERROR "the package holds a test or benchmark file (${stray})")
  endif()
endforeach()

if(NOT LINTIAN)
  message(FATAL_ERROR "lintian is not installed (scripts/setup.sh installs it)")
endif()
execute_process(COMMAND ${LINTIAN} --tag-display-limit 0 ${package}
                OUTPUT_VARIABLE report ERROR_VARIABLE report_errors RESULT_VARIABLE status)
if(report MATCHES "(^|\n)[EW]: " OR NOT status EQUAL 0)
  message(FATAL_ERROR "lintian (status ${status}):\n${report}${report_errors}")
endif()
message(STATUS "package ${package}: depends on ${depends}; lintian: ${report}")
