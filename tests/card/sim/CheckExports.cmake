# Compares the library's dynamic symbols with the list of the card's functions.
# cmake -DNM=<nm> -DLIBRARY=<libadcard.so> -DLIST=<AdcardFunctions.h> -P CheckExports.cmake
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE listing)
string(REGEX MATCHALL "[^ \n]+\n" exported "${listing}")
list(TRANSFORM exported STRIP)
file(READ ${LIST} text)
string(REGEX MATCHALL "X\\([A-Za-z_]+, [0-9]+\\)" declared "${text}")
list(TRANSFORM declared REPLACE "X\\(([A-Za-z_]+), [0-9]+\\)" "\\1")
list(SORT exported)
list(SORT declared)
list(LENGTH declared count)
if(NOT exported STREQUAL declared OR NOT count EQUAL 23)
  message(FATAL_ERROR "exports differ from the list\n exported: ${exported}\n listed: ${declared}")
endif()
