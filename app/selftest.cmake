# tqv-selftest needs QtCore only: no window, no display.
add_executable(tqv-selftest selftest_main.cpp)
target_link_libraries(tqv-selftest PRIVATE tqv_selftest tqv_card Qt6::Core tqv_warnings)
target_compile_definitions(tqv-selftest PRIVATE TQV_VERSION="${PROJECT_VERSION}")
if(TARGET adcard)
  add_dependencies(tqv-selftest adcard)
endif()
