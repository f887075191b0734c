# The production binding against the real simulator, and against libraries that
# are missing or lack a function. The stand-in vendor library serves the
# installation test (tests/e2e).
foreach(variant partial stand_in)
  add_library(${variant}_adcard SHARED StandInAdcard.cpp)
  target_include_directories(${variant}_adcard PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(${variant}_adcard PROPERTIES
    OUTPUT_NAME adcard
    CXX_VISIBILITY_PRESET hidden
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-libs/${variant}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-libs/${variant})
endforeach()
target_compile_definitions(partial_adcard PRIVATE TQV_STAND_IN_WITHOUT_STARTINTR)

add_executable(binding_tests AdcardBindingTest.cpp)
target_link_libraries(binding_tests PRIVATE tqv_card GTest::gtest_main tqv_warnings)
target_compile_definitions(binding_tests PRIVATE
  TQV_PARTIAL_ADCARD_DIR="$<TARGET_FILE_DIR:partial_adcard>")
add_dependencies(binding_tests adcard partial_adcard)
gtest_discover_tests(binding_tests PROPERTIES LABELS "integration;binding")
