# tqv-selftest needs QtCore only: no window, no display.
add_executable(tqv-selftest selftest_main.cpp)
target_link_libraries(tqv-selftest PRIVATE tqv_selftest tqv_card Qt6::Core tqv_warnings)
target_compile_definitions(tqv-selftest PRIVATE TQV_VERSION="${PROJECT_VERSION}")
if(TARGET adcard)
  add_dependencies(tqv-selftest adcard)
endif()

# Its manual page, installed gzipped as Debian keeps manual pages.
find_program(TQV_GZIP gzip REQUIRED)
set(TQV_SELFTEST_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/tqv-selftest.1.gz CACHE INTERNAL "the gzipped manual page, for the install rule")
add_custom_command(OUTPUT ${TQV_SELFTEST_MAN_PAGE}
  COMMAND ${TQV_GZIP} -9 -n -c ${PROJECT_SOURCE_DIR}/docs/man/tqv-selftest.1 > ${TQV_SELFTEST_MAN_PAGE}
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/tqv-selftest.1
  VERBATIM)
add_custom_target(tqv-selftest-man ALL DEPENDS ${TQV_SELFTEST_MAN_PAGE})
