# The poll tick against plain memcpy; uses the tests' in-memory window.
if(TARGET tqv_test_support)
  add_executable(bench_handlers HandlerBenchmarks.cpp)
  target_include_directories(bench_handlers PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(bench_handlers PRIVATE tqv_test_support benchmark::benchmark tqv_warnings)
endif()
