# The production binding against the real simulator, and against libraries that
# are missing or lack a function.
add_library(partial_adcard SHARED PartialAdcard.cpp)
target_include_directories(partial_adcard PRIVATE ${PROJECT_SOURCE_DIR})
set_target_properties(partial_adcard PROPERTIES
  OUTPUT_NAME adcard
  CXX_VISIBILITY_PRESET hidden
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-libs/partial
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-libs/partial)

add_executable(binding_tests AdcardBindingTest.cpp)
target_link_libraries(binding_tests PRIVATE tqv_card GTest::gtest_main tqv_warnings)
target_compile_definitions(binding_tests PRIVATE
  TQV_PARTIAL_ADCARD_DIR="$<TARGET_FILE_DIR:partial_adcard>")
add_dependencies(binding_tests adcard partial_adcard)
gtest_discover_tests(binding_tests PROPERTIES LABELS "integration;binding")
