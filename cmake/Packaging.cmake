# Installation into the usual places, and a Debian package of it.
#
# The program loads the card library at run time from its own directory or from the
# installation's library directory beside it (../<libdir>, ../lib), so nothing is
# linked against it and no run-time path is needed.
if(TQV_BUILD_GUI)
  install(TARGETS tqv-multibuf tqv-snapshot RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/app/tqv-multibuf.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()
# The self-test beside the panel, with its manual page.
if(TARGET tqv-selftest)
  install(TARGETS tqv-selftest RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${TQV_SELFTEST_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
# The simulated card stands in for the card's own library where none is installed.
install(TARGETS adcard
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tqv-multibuf)
set(CPACK_PACKAGE_VENDOR "TQV test panel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Test panel of the TQV5200-1 data-acquisition card, with a simulated card library")
set(CPACK_PACKAGE_CONTACT "TQV test panel developers <panel@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# dpkg-shlibdeps names the libraries' packages (Qt, libstdc++, libc); the font that
# shows the Chinese captions is no library, so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
include(CPack)
