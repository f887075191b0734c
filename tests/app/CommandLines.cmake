# What a new user meets first: each program's help, Qt's own options refused as one
# option, and a window program started where there is no display.
#   cmake -DPANEL=<tqv-multibuf> -DSNAPSHOT=<tqv-snapshot> -DSELFTEST=<tqv-selftest> -DRECORD=<tqv-record>
#         -DSERVE=<tqv-serve>
#         -DWORK_DIR=<folder> -P CommandLines.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../e2e/ExpectRun.cmake)
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(bare ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM)

foreach(program IN ITEMS "${PANEL}" "${SNAPSHOT}" "${SELFTEST}" "${RECORD}" "${SERVE}")
  get_filename_component(name "${program}" NAME)
  # Named as users type it, not by the path it was started from; the search explained.
  expect_run("${name} --help" STATUS 0 OUT "Usage: ${name} " "The current directory is never searched"
    COMMAND ${bare} "${program}" --help)
  expect_run("${name} --help-all" STATUS 2 ERR "help-all" COMMAND ${bare} "${program}" --help-all)
  # One style for every program: the message, then where the help is.
  expect_run("${name} -platform" STATUS 2
    ERR "${name}: Unknown option 'platform'" "Try '${name} --help' for more information."
    COMMAND ${bare} "${program}" -platform offscreen)
  expect_run("${name} --version >/dev/full" STATUS 2 ERR "cannot write to standard output"
    COMMAND sh -c "exec \"$0\" --version >/dev/full" "${program}")
endforeach()

# Not a usage error: no hint at the help.
execute_process(COMMAND "${SELFTEST}" --junit "${WORK_DIR}/no/such/folder/r.xml"
  RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 2 OR err MATCHES "--help")
  message(FATAL_ERROR "a report with nowhere to go: status ${status}\n${err}")
endif()

expect_run("the panel with no display" STATUS 2 ERR "no display" "QT_QPA_PLATFORM=offscreen"
  COMMAND ${bare} "${PANEL}")
expect_run("the panel on a display it cannot reach" STATUS 2 ERR "cannot open a window"
  COMMAND ${bare} DISPLAY=:97 "${PANEL}")
# An empty QT_QPA_PLATFORM counts as unset: the snapshot then runs off screen.
expect_run("the snapshot with an empty QT_QPA_PLATFORM" STATUS 0
  COMMAND ${bare} QT_QPA_PLATFORM= "${SNAPSHOT}" "${WORK_DIR}/panel.png" --ms 0)

# A channel setup that cannot be used ends a command-line program with status 2 before
# the card is touched, naming the file, the line and the field.
file(WRITE "${WORK_DIR}/equal.json" "{\"channels\": [\n  {\"channel\": 0, \"points\": [[448, -5], [448, 5]]}\n]}\n")
set(refusal "equal.json, line 2, field \"channels[0].points\": the two points have the same code")
expect_run("tqv-record with a refused setup" STATUS 2 ERR "tqv-record: channel setup " "${refusal}"
  COMMAND "${RECORD}" --channel-setup "${WORK_DIR}/equal.json" --seconds 1 "${WORK_DIR}/r.wav")
expect_run("tqv-snapshot with a refused setup" STATUS 2 ERR "${refusal}"
  COMMAND ${bare} QT_QPA_PLATFORM=offscreen "${SNAPSHOT}" --channel-setup "${WORK_DIR}/equal.json")
expect_run("tqv-selftest with a missing setup" STATUS 2 ERR "nowhere.json: no such file"
  COMMAND "${SELFTEST}" --channel-setup "${WORK_DIR}/nowhere.json")
if(EXISTS "${WORK_DIR}/r.wav")
  message(FATAL_ERROR "tqv-record recorded with a setup it refused")
endif()
# --reset-settings belongs to the window programs only.
expect_run("tqv-multibuf --help" STATUS 0 OUT "--reset-settings" "--channel-setup <file>"
  COMMAND ${bare} "${PANEL}" --help)
expect_run("tqv-record --reset-settings" STATUS 2 ERR "Unknown option 'reset-settings'"
  COMMAND "${RECORD}" --reset-settings "${WORK_DIR}/r.wav")

# The network and fleet options: both or neither, and nothing the program cannot use.
expect_run("tqv-serve --listen without a port" STATUS 2 ERR "--listen: " "Try 'tqv-serve --help'"
  COMMAND "${SERVE}" --listen 127.0.0.1)
expect_run("tqv-serve --record-dir that is no folder" STATUS 2 ERR "--record-dir: "
  COMMAND "${SERVE}" --record-dir "${WORK_DIR}/no/such/folder")
foreach(program IN ITEMS "${SERVE}" "${SELFTEST}")
  get_filename_component(name "${program}" NAME)
  expect_run("${name} --mqtt alone" STATUS 2 ERR "--mqtt needs --bench-id" COMMAND "${program}" --mqtt mqtt://127.0.0.1)
  expect_run("${name} --mqtt http://" STATUS 2 ERR "--mqtt: " COMMAND "${program}" --mqtt http://x --bench-id a)
  expect_run("${name} --bench-id a/b" STATUS 2 ERR "--bench-id: "
    COMMAND "${program}" --mqtt mqtt://127.0.0.1 --bench-id a/b)
endforeach()
expect_run("the panel's --listen with a word" STATUS 2 ERR "--listen: " COMMAND ${bare} "${PANEL}" --listen here)
