# Builds the Debian package and checks what it holds and depends on, its manual pages
# with mandoc, and that it has no maintainer script; lintian, pedantic tags included,
# must report nothing, with no override.
# Arguments: BUILD_DIR, WORK_DIR, SHIPPED_DIR (the simulated card's private folder,
# relative to the prefix), LINTIAN and MANDOC (the programs, or empty when they are not
# installed).
include(${CMAKE_CURRENT_LIST_DIR}/ExpectRun.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/ManualPages.cmake)
file(REMOVE_RECURSE ${WORK_DIR})
expect_run(cpack STATUS 0 SECONDS 240
  COMMAND cpack --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR})
file(GLOB package ${WORK_DIR}/*.deb)
expect_run("the package's dependencies" STATUS 0 COMMAND dpkg-deb --field ${package} Depends
  OUT libqt6widgets6 libqt6gui6 libqt6core6 libqt6network6 libstdc++6 libmosquitto1
      fonts-wqy-microhei)
execute_process(COMMAND dpkg-deb --contents ${package} OUTPUT_VARIABLE contents)
foreach(file bin/tqv-multibuf bin/tqv-snapshot bin/tqv-selftest bin/tqv-record bin/tqv-serve
             ${SHIPPED_DIR}/libadcard.so
             share/applications/tqv-multibuf.desktop share/doc/tqv-multibuf/copyright
             share/man/man1/tqv-multibuf.1.gz share/man/man1/tqv-snapshot.1.gz
             share/man/man1/tqv-selftest.1.gz share/man/man1/tqv-record.1.gz
             share/man/man1/tqv-serve.1.gz share/icons/hicolor/scalable/apps/tqv-multibuf.svg)
  string(FIND "${contents}" " ./usr/${file}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the package lacks /usr/${file}")
  endif()
endforeach()
# A vendor's package owns the card library's usual name; ours must never clash with it,
# and no test or benchmark file may slip in.
set(vendors " \\./usr/lib(64|/[a-z0-9_]+-linux-gnu[a-z]*)?/(lib)?adcard")
if(contents MATCHES "${vendors}|binding_tests|partial|fuzz_|bench_|lintian")
  message(FATAL_ERROR "a card library where a vendor's goes, a test file or a lintian "
                      "override:\n${contents}")
endif()
expect_run("unpacking the package" STATUS 0 COMMAND dpkg-deb -x ${package} ${WORK_DIR}/root)
check_manual_pages(${WORK_DIR}/root/usr/share/man/man1 /usr/${SHIPPED_DIR})
# The simulated card is no library the loader's cache should know: no ldconfig call, and
# nothing else to run at install or removal.
execute_process(COMMAND dpkg-deb --ctrl-tarfile ${package} COMMAND tar -t
                OUTPUT_VARIABLE control RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR control MATCHES "(preinst|postinst|prerm|postrm)")
  message(FATAL_ERROR "maintainer scripts in the package (status ${status}):\n${control}")
endif()
if(NOT LINTIAN)
  message(FATAL_ERROR "lintian is not installed (scripts/setup.sh installs it)")
endif()
execute_process(COMMAND ${LINTIAN} --pedantic --tag-display-limit 0 ${package}
                OUTPUT_VARIABLE report ERROR_VARIABLE report RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR report MATCHES "(^|\n)[EWIPXO]: ")
  message(FATAL_ERROR "lintian (status ${status}):\n${report}")
endif()
