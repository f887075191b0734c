# Builds the Debian package and checks what it holds and depends on; lintian must report
# no error and no warning (overrides carry their reason in packaging/lintian-overrides).
# Arguments: BUILD_DIR, WORK_DIR, SHIPPED_DIR (the simulated card's private folder,
# relative to the prefix), LINTIAN (the program, or empty when it is not installed).
include(${CMAKE_CURRENT_LIST_DIR}/ExpectRun.cmake)
file(REMOVE_RECURSE ${WORK_DIR})
expect_run(cpack STATUS 0 SECONDS 240
  COMMAND cpack --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR})
file(GLOB package ${WORK_DIR}/*.deb)
expect_run("the package's dependencies" STATUS 0 COMMAND dpkg-deb --field ${package} Depends
  OUT libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libsndfile1 fonts-wqy-microhei)
execute_process(COMMAND dpkg-deb --contents ${package} OUTPUT_VARIABLE contents)
foreach(file bin/tqv-multibuf bin/tqv-snapshot bin/tqv-selftest bin/tqv-record
             ${SHIPPED_DIR}/libadcard.so
             share/applications/tqv-multibuf.desktop share/doc/tqv-multibuf/copyright
             share/man/man1/tqv-multibuf.1.gz share/man/man1/tqv-snapshot.1.gz
             share/man/man1/tqv-selftest.1.gz share/man/man1/tqv-record.1.gz share/icons/hicolor/scalable/apps/tqv-multibuf.svg)
  string(FIND "${contents}" " ./usr/${file}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the package lacks /usr/${file}")
  endif()
endforeach()
# A vendor's package owns the card library's usual name; ours must never clash with it,
# and no test or benchmark file may slip in.
set(vendors " \\./usr/lib(64|/[a-z0-9_]+-linux-gnu[a-z]*)?/(lib)?adcard")
if(contents MATCHES "${vendors}|binding_tests|partial|fuzz_|bench_")
  message(FATAL_ERROR "a card library where a vendor's goes, or a test file:\n${contents}")
endif()
if(NOT LINTIAN)
  message(FATAL_ERROR "lintian is not installed (scripts/setup.sh installs it)")
endif()
execute_process(COMMAND ${LINTIAN} --tag-display-limit 0 ${package}
                OUTPUT_VARIABLE report ERROR_VARIABLE report RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR report MATCHES "(^|\n)[EW]: ")
  message(FATAL_ERROR "lintian (status ${status}):\n${report}")
endif()
