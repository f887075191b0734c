# Every CTest test is registered through one of these functions, so that each carries
# its labels and every CI stage finds it:
#
#   tqv_test_program(<target> SOURCES <file>... [LIBRARIES <lib>...] LABELS <tier> [<label>...]
#                    [TEST_PREFIX <prefix>] [TIMEOUT <seconds>] [ENVIRONMENT <VAR=value>...]
#                    [ENVIRONMENT_MODIFICATION <VAR=op:value>...] [NO_DISCOVERY])
#       A GoogleTest program (gtest_main and the warnings linked); each of its tests
#       becomes a CTest test of its own. NO_DISCOVERY: the program's runs are registered
#       with tqv_add_test instead (one process per environment, say).
#   tqv_widget_test(<target> SOURCES <file>... [LIBRARIES <lib>...])
#       A QtTest program on the offscreen platform, one CTest test, label "widget".
#   tqv_add_test(NAME <name> COMMAND <command>... LABELS <tier> [<label>...]
#                [WORKING_DIRECTORY <dir>])
#       Any other test; further properties (TIMEOUT, ENVIRONMENT, pass and skip rules)
#       with set_tests_properties, never LABELS.
#
# What the programs remember (settings, the channel setup) goes to a folder of each test's
# (or test program's) own under the build tree, never to the user's: XDG_CONFIG_HOME is
# set through ENVIRONMENT_MODIFICATION, which a test's own ENVIRONMENT leaves alone.
#
# LABELS holds exactly one tier (below) and any number of other labels. Each test also
# gets the label of its folder under tests/ ("record", "card/sim"), so a new folder's
# tests carry its name with nothing to remember.
#
# What each CI stage runs is the label filter of its test preset in CMakePresets.json,
# and nowhere else: tqv_stage_targets() builds from it one target per filtered preset,
# tqv_stage_<preset>, that builds exactly what that stage's tests need (the "tsan"
# build builds only that), and tests/check_stages.py reads the same filters to check
# that each stage lists every suite it is meant to run.

# unit: one part on scripted or in-memory stand-ins; integration: real parts together
# (the simulated card through the binding, the programs); widget: the Qt window
# offscreen; display: the real program under Xvfb; package: installation and the
# Debian package; fuzzing: libFuzzer runs.
set(TQV_TEST_TIERS unit integration widget display package fuzzing)
# How long a tier's test takes, roughly, in CTest's COST: with no times from an earlier
# run (a fresh checkout) CTest starts the costliest first, so that a package test does not
# start last and run alone.
set(TQV_TEST_TIER_COSTS 1 10 10 20 30 30)

# The list of suites, for the stage targets and the stage check.
set_property(GLOBAL PROPERTY TQV_TEST_SUITES "")

# _tqv_test_labels(<out> <labels>...): the labels given, checked, with the folder's; and in
# <out>_COST the cost of their tier.
function(_tqv_test_labels out)
  set(tiers "")
  foreach(label IN LISTS ARGN)
    if(label IN_LIST TQV_TEST_TIERS)
      list(APPEND tiers ${label})
    endif()
  endforeach()
  list(LENGTH tiers count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "LABELS \"${ARGN}\" in ${CMAKE_CURRENT_SOURCE_DIR}: exactly one of "
                        "${TQV_TEST_TIERS} is needed")
  endif()
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  if(folder STREQUAL "")
    set(folder tests)
  elseif(folder IN_LIST TQV_TEST_TIERS)
    message(FATAL_ERROR "tests/${folder}: a folder named like a tier would blur its label")
  endif()
  set(labels ${ARGN} ${folder})
  list(REMOVE_DUPLICATES labels)
  set(${out} ${labels} PARENT_SCOPE)
  list(FIND TQV_TEST_TIERS ${tiers} tier)
  list(GET TQV_TEST_TIER_COSTS ${tier} cost)
  set(${out}_COST ${cost} PARENT_SCOPE)
endfunction()

# _tqv_record_suite(<suite> <kind> <key> LABELS <labels>... TARGETS <targets>...): one
# line of the suite list (kind "program": its tests run <key>, a target's file; kind
# "test": the one test named <key>) and what a stage running it must build.
function(_tqv_record_suite suite kind key)
  cmake_parse_arguments(PARSE_ARGV 3 arg "" "" "LABELS;TARGETS")
  set_property(GLOBAL APPEND PROPERTY TQV_TEST_SUITES ${suite})
  set_property(GLOBAL PROPERTY TQV_TEST_SUITE_${suite}_LINE "${suite}\t${arg_LABELS}\t${kind}\t${key}")
  set_property(GLOBAL PROPERTY TQV_TEST_SUITE_${suite}_LABELS "${arg_LABELS}")
  set_property(GLOBAL PROPERTY TQV_TEST_SUITE_${suite}_TARGETS "${arg_TARGETS}")
endfunction()

# _tqv_property_arguments(<out> <name> <value>...): "NAME [==[a;b]==]", a list kept whole
# through the set_tests_properties call written into a generated file.
function(_tqv_property_arguments out name)
  if(NOT ARGN)
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  string(FIND "${ARGN}" "]==]" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${name} \"${ARGN}\" holds ]==]")
  endif()
  set(${out} " ${name} [==[${ARGN}]==]" PARENT_SCOPE)
endfunction()

function(tqv_test_program target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "NO_DISCOVERY" "TEST_PREFIX;TIMEOUT"
                        "SOURCES;LIBRARIES;LABELS;ENVIRONMENT;ENVIRONMENT_MODIFICATION")
  add_executable(${target} ${arg_SOURCES})
  target_link_libraries(${target} PRIVATE ${arg_LIBRARIES} GTest::gtest_main tqv_warnings)
  if(arg_NO_DISCOVERY)
    return()
  endif()
  _tqv_test_labels(labels ${arg_LABELS})
  list(PREPEND arg_ENVIRONMENT_MODIFICATION
       "XDG_CONFIG_HOME=set:${CMAKE_BINARY_DIR}/test-config/${target}")
  # Listing the tests runs the program at build time: a loaded machine gets time.
  gtest_discover_tests(${target} TEST_PREFIX "${arg_TEST_PREFIX}" NO_PRETTY_VALUES
                       DISCOVERY_TIMEOUT 120 TEST_LIST ${target}_TESTS)
  # gtest_discover_tests keeps only the first element of a list-valued property (a
  # second label would be lost): the properties are set on the discovered tests by a
  # file CTest reads after the list.
  _tqv_property_arguments(properties LABELS ${labels})
  string(APPEND properties " COST ${labels_COST}")
  foreach(property TIMEOUT ENVIRONMENT ENVIRONMENT_MODIFICATION)
    _tqv_property_arguments(more ${property} ${arg_${property}})
    string(APPEND properties "${more}")
  endforeach()
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}_properties.cmake)
  file(WRITE ${file} "if(${target}_TESTS)\n"
                     "  set_tests_properties(\${${target}_TESTS} PROPERTIES${properties})\n"
                     "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${file})
  _tqv_record_suite(${target} program "$<TARGET_FILE:${target}>" LABELS ${labels}
                    TARGETS ${target})
endfunction()

function(tqv_add_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;WORKING_DIRECTORY" "COMMAND;LABELS")
  if(NOT arg_NAME OR NOT arg_COMMAND)
    message(FATAL_ERROR "tqv_add_test needs NAME and COMMAND")
  endif()
  _tqv_test_labels(labels ${arg_LABELS})
  set(where "")
  if(arg_WORKING_DIRECTORY)
    set(where WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
  endif()
  add_test(NAME ${arg_NAME} COMMAND ${arg_COMMAND} ${where})
  set_tests_properties(${arg_NAME} PROPERTIES LABELS "${labels}" COST ${labels_COST}
                       ENVIRONMENT_MODIFICATION
                       "XDG_CONFIG_HOME=set:${CMAKE_BINARY_DIR}/test-config/${arg_NAME}")
  # What the stage must build: a target run as the command or named in it.
  set(targets "")
  list(GET arg_COMMAND 0 program)
  if(TARGET ${program})
    list(APPEND targets ${program})
  endif()
  foreach(argument IN LISTS arg_COMMAND)
    string(REGEX MATCHALL "\\$<TARGET_FILE:[^>]+>" files "${argument}")
    foreach(file IN LISTS files)
      string(REGEX REPLACE "^\\$<TARGET_FILE:(.+)>$" "\\1" named "${file}")
      list(APPEND targets ${named})
    endforeach()
  endforeach()
  _tqv_record_suite(${arg_NAME} test ${arg_NAME} LABELS ${labels} TARGETS ${targets})
endfunction()

if(TQV_BUILD_GUI)
  function(tqv_widget_test target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBRARIES")
    add_executable(${target} ${arg_SOURCES})
    # A QtTest program is one file and its moc output: a unity build (CI's) would join
    # them into one translation unit for nothing, and mix their anonymous namespaces.
    set_target_properties(${target} PROPERTIES AUTOMOC ON UNITY_BUILD OFF)
    target_link_libraries(${target} PRIVATE ${arg_LIBRARIES} Qt6::Test tqv_warnings)
    tqv_add_test(NAME ${target} COMMAND ${target} LABELS widget)
    # Offscreen, where no message box may wait for a click that never comes.
    set_tests_properties(${target} PROPERTIES TIMEOUT 120 ENVIRONMENT
                         "QT_QPA_PLATFORM=offscreen;TQV_NO_MESSAGE_BOX=1")
  endfunction()
endif()

# _tqv_preset_filter(<out-include> <out-exclude> <json> <index>): the label filter of
# test preset <index>; any other kind of filter is refused, the stages being defined
# by labels alone.
function(_tqv_preset_filter out_include out_exclude json index)
  set(include "")
  set(exclude "")
  string(JSON filter ERROR_VARIABLE missing GET "${json}" testPresets ${index} filter)
  if(NOT missing)
    string(JSON kinds LENGTH "${filter}")
    math(EXPR last "${kinds} - 1")
    foreach(k RANGE ${last})
      string(JSON kind MEMBER "${filter}" ${k})
      string(JSON rule GET "${filter}" ${kind})
      string(JSON keys LENGTH "${rule}")
      math(EXPR last_key "${keys} - 1")
      foreach(j RANGE ${last_key})
        string(JSON key MEMBER "${rule}" ${j})
        if(NOT kind MATCHES "^(include|exclude)$" OR NOT key STREQUAL "label")
          message(FATAL_ERROR "CMakePresets.json: test preset ${index} filters by ${kind}.${key}; "
                              "the stages are defined by labels only")
        endif()
        string(JSON ${kind} GET "${rule}" label)
      endforeach()
    endforeach()
  endif()
  set(${out_include} "${include}" PARENT_SCOPE)
  set(${out_exclude} "${exclude}" PARENT_SCOPE)
endfunction()

# _tqv_labels_selected(<out> <include> <exclude> <labels>...): TRUE when CTest's label
# filter (a test is taken when any label matches <include>, left when any matches
# <exclude>) takes a test with these labels.
function(_tqv_labels_selected out include exclude)
  set(taken FALSE)
  if(include STREQUAL "")
    set(taken TRUE)
  endif()
  foreach(label IN LISTS ARGN)
    if(NOT include STREQUAL "" AND label MATCHES "${include}")
      set(taken TRUE)
    endif()
  endforeach()
  foreach(label IN LISTS ARGN)
    if(NOT exclude STREQUAL "" AND label MATCHES "${exclude}")
      set(taken FALSE)
    endif()
  endforeach()
  set(${out} ${taken} PARENT_SCOPE)
endfunction()

# Called once, after every test folder: the suite list for the stage check, and one
# target per filtered test preset building what its tests need.
function(tqv_stage_targets)
  get_property(suites GLOBAL PROPERTY TQV_TEST_SUITES)
  set(lines "")
  foreach(suite IN LISTS suites)
    get_property(line GLOBAL PROPERTY TQV_TEST_SUITE_${suite}_LINE)
    string(APPEND lines "${line}\n")
  endforeach()
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/test-suites.tsv CONTENT "${lines}")

  set(presets_file ${PROJECT_SOURCE_DIR}/CMakePresets.json)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${presets_file})
  file(READ ${presets_file} json)
  string(JSON count LENGTH "${json}" testPresets)
  math(EXPR last "${count} - 1")
  foreach(index RANGE ${last})
    string(JSON preset GET "${json}" testPresets ${index} name)
    _tqv_preset_filter(include exclude "${json}" ${index})
    if(include STREQUAL "" AND exclude STREQUAL "")
      continue()
    endif()
    add_custom_target(tqv_stage_${preset})
    foreach(suite IN LISTS suites)
      get_property(labels GLOBAL PROPERTY TQV_TEST_SUITE_${suite}_LABELS)
      _tqv_labels_selected(taken "${include}" "${exclude}" ${labels})
      if(NOT taken)
        continue()
      endif()
      get_property(targets GLOBAL PROPERTY TQV_TEST_SUITE_${suite}_TARGETS)
      foreach(target IN LISTS targets)
        get_target_property(imported ${target} IMPORTED)
        if(NOT imported)
          add_dependencies(tqv_stage_${preset} ${target})
        endif()
      endforeach()
    endforeach()
  endforeach()
endfunction()
