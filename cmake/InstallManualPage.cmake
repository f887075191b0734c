# Installs one manual page, filled in for the prefix it is installed under, gzipped as
# Debian wants it (-n: no name or time stamp inside, so the same sources give the same
# bytes). Run by the install rules of cmake/Packaging.cmake, which set tqv_page_source
# (docs/man/<program>.1.in), tqv_page_work (a scratch folder), tqv_page_destination
# (relative to the prefix), tqv_page_datadir and the variables the page names.
set(TQV_SHIPPED_CARD_FULL_DIR "${CMAKE_INSTALL_PREFIX}/${TQV_SHIPPED_CARD_DIR}")
set(TQV_FULL_DATADIR "${CMAKE_INSTALL_PREFIX}/${tqv_page_datadir}")
get_filename_component(tqv_page "${tqv_page_source}" NAME_WLE)
# Installs into different prefixes may run at once (a test's and CPack's): one folder each.
string(MD5 tqv_page_key "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(tqv_page_work "${tqv_page_work}/${tqv_page_key}")
configure_file("${tqv_page_source}" "${tqv_page_work}/${tqv_page}" @ONLY)
execute_process(COMMAND gzip -9n -c "${tqv_page}"
                WORKING_DIRECTORY "${tqv_page_work}"
                OUTPUT_FILE "${tqv_page_work}/${tqv_page}.gz"
                RESULT_VARIABLE tqv_gzip_status)
if(NOT tqv_gzip_status EQUAL 0)
  message(FATAL_ERROR "gzip of the manual page ${tqv_page} failed: ${tqv_gzip_status}")
endif()
file(INSTALL "${tqv_page_work}/${tqv_page}.gz"
     DESTINATION "${CMAKE_INSTALL_PREFIX}/${tqv_page_destination}")
