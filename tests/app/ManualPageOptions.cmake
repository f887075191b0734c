# Every option a program's --help names has an entry of its own in the program's manual
# page: a tagged paragraph (.TP) whose tag line names it.
#   cmake -DPROGRAMS=<program;...> -DMAN_DIR=<docs/man> -P ManualPageOptions.cmake
foreach(program IN LISTS PROGRAMS)
  get_filename_component(name "${program}" NAME)
  execute_process(COMMAND "${program}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${name} --help ended with status ${status}")
  endif()
  string(REGEX MATCHALL "--[a-z][a-z-]*" options "${help}")
  list(REMOVE_DUPLICATES options)
  file(READ "${MAN_DIR}/${name}.1.in" page)
  # The tag lines, each with a space after it, so that an option is found only whole.
  string(REGEX MATCHALL "\n\\.TP\n[^\n]*" tags "${page}")
  list(JOIN tags " " tags)
  set(missing "")
  foreach(option IN LISTS options)
    # troff writes a hyphen of an option as \-.
    string(REPLACE "-" "\\-" written "${option}")
    string(FIND "${tags} " "${written} " at)
    if(at EQUAL -1)
      list(APPEND missing "${option}")
    endif()
  endforeach()
  if(missing)
    message(FATAL_ERROR "${name}(1) has no entry for ${missing}, which ${name} --help names")
  endif()
endforeach()
