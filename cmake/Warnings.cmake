# One interface target carries the project's warning flags; every target links it.
add_library(tqv_warnings INTERFACE)
if(MSVC)
  target_compile_options(tqv_warnings INTERFACE /W4 $<$<BOOL:${TQV_WARNINGS_AS_ERRORS}>:/WX>)
else()
  target_compile_options(tqv_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
    $<$<BOOL:${TQV_WARNINGS_AS_ERRORS}>:-Werror>
    # GCC 12 reports std::string concatenation at -O2 as overlapping memcpy (GCC PR 105329).
    $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
endif()
