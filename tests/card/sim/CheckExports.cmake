# Compares the library's dynamic symbols with the functions card/adcard.h declares.
# cmake -DNM=<nm> -DLIBRARY=<libadcard.so> -DHEADER=<card/adcard.h> -P CheckExports.cmake
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" rows "${listing}")
set(exported)
foreach(row IN LISTS rows)
  string(REGEX REPLACE "^.* " "" name "${row}")
  list(APPEND exported "${name}")
endforeach()

file(READ ${HEADER} header)
string(REGEX MATCHALL "ADCARD_CALL [A-Za-z_]+\\(" calls "${header}")
set(declared)
foreach(call IN LISTS calls)
  string(REGEX REPLACE "ADCARD_CALL ([A-Za-z_]+)\\(" "\\1" name "${call}")
  list(APPEND declared "${name}")
endforeach()

list(SORT exported)
list(SORT declared)
list(LENGTH declared count)
if(NOT exported STREQUAL declared OR NOT count EQUAL 23)
  message(FATAL_ERROR "exports differ from card/adcard.h\n exported: ${exported}\n declared: ${declared}")
endif()
message(STATUS "${count} exports, as declared")
