# Installation into the usual places, and a Debian package of it that can sit beside
# a vendor's card driver.
#
# The program loads the card library at run time (see card/README.md), so nothing is
# linked against it and no run-time path is needed. The simulated card goes into a
# private folder, lib/<triplet>/tqv-multibuf, found relative to the program: no file of
# ours sits where a vendor's libadcard.so would, and the loader's search, where a
# vendor's library lives, comes before it.
if(TQV_BUILD_GUI)
  install(TARGETS tqv-multibuf tqv-snapshot RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/app/tqv-multibuf.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/tqv-multibuf.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
# The self-test and the recorder beside the panel.
if(TARGET tqv-selftest)
  install(TARGETS tqv-selftest RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET tqv-record)
  install(TARGETS tqv-record RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET tqv-serve)
  install(TARGETS tqv-serve RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# The simulated card stands in for the card's own library where none is installed.
install(TARGETS adcard
        LIBRARY DESTINATION ${TQV_SHIPPED_CARD_DIR}
        RUNTIME DESTINATION ${TQV_SHIPPED_CARD_DIR})

# The changelog, gzipped as Debian wants it (-n: no name or time stamp inside, so the
# same sources give the same bytes).
if(UNIX)
  set(tqv_changelog ${CMAKE_BINARY_DIR}/packaging/changelog)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${tqv_changelog} @ONLY)
  add_custom_command(OUTPUT ${tqv_changelog}.gz
    COMMAND gzip -9n -c ${tqv_changelog} > ${tqv_changelog}.gz
    DEPENDS ${tqv_changelog} ${PROJECT_SOURCE_DIR}/packaging/changelog.in
    VERBATIM)
  add_custom_target(tqv_package_documents ALL DEPENDS ${tqv_changelog}.gz)
  install(FILES ${tqv_changelog}.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${PROJECT_NAME})

  # One manual page per program, docs/man/<program>.1.in, installed with the program.
  # The page names the folder the simulated card is installed in, which is known only
  # at install time: `cmake --install --prefix` and CPack (prefix /usr) each choose it.
  file(GLOB tqv_manual_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/*.1.in)
  foreach(source IN LISTS tqv_manual_pages)
    get_filename_component(page ${source} NAME_WLE)
    get_filename_component(program ${page} NAME_WLE)
    if(TARGET ${program})
      install(CODE "
        set(tqv_page_source [[${source}]])
        set(tqv_page_work [[${CMAKE_BINARY_DIR}/packaging/man]])
        set(tqv_page_destination [[${CMAKE_INSTALL_MANDIR}/man1]])
        set(TQV_SHIPPED_CARD_DIR [[${TQV_SHIPPED_CARD_DIR}]])
        set(tqv_page_datadir [[${CMAKE_INSTALL_DATADIR}]])
        set(PROJECT_VERSION [[${PROJECT_VERSION}]])
        include([[${PROJECT_SOURCE_DIR}/cmake/InstallManualPage.cmake]])")
    endif()
  endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tqv-multibuf)
set(CPACK_PACKAGE_VENDOR "TQV test panel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "test panel of the TQV5200-1 data-acquisition card")
# Lines of at most 80 characters, as Debian's control fields want them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "An interactive window that shows the card's identity, acquires 4 channels\n"
  "continuously, shows live readouts and drives the card's digital outputs.\n"
  "It binds the card's driver library where the system's loader finds it, and\n"
  "otherwise a simulated card shipped in a private folder, so it runs without\n"
  "a card.")
set(CPACK_PACKAGE_CONTACT "TQV test panel developers <panel@tqv-panel.example.org>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Binaries as Debian ships them, and folders that only root may change.
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# dpkg-shlibdeps names the libraries' packages (Qt, libstdc++, libc); the font that
# shows the Chinese captions is no library, so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
include(CPack)
