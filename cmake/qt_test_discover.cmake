# Lists the test functions of a Qt Test program (run with -functions) and
# writes one ctest entry per function, so that a failure names its case.
# Run after each build of the program:
#   cmake -D PROGRAM=... -D NAME=... -D OUT=... -D ENV=... -P qt_test_discover.cmake
# ENV holds the entries' environment, separated by '|'. LAUNCHER, when set,
# is a command (its words separated by '|') that runs the program; an entry
# that exits with 77 counts as skipped.
cmake_policy(SET CMP0057 NEW)
string(REPLACE "|" ";" env "${ENV}")
set(launcher "")
if(LAUNCHER)
  string(REPLACE "|" "]=] [=[" launcher "${LAUNCHER}")
  set(launcher "[=[${launcher}]=] ")
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          "${PROGRAM}" -functions
  OUTPUT_VARIABLE listing
  RESULT_VARIABLE status
  TIMEOUT 60)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} -functions failed (${status}):\n${listing}")
endif()
string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*\\(\\)" functions "${listing}")
set(text "")
set(seen "")
foreach(f ${functions})
  string(REPLACE "()" "" f "${f}")
  if(f IN_LIST seen)
    continue()
  endif()
  list(APPEND seen ${f})
  string(APPEND text "add_test([=[${NAME}.${f}]=] ${launcher}[=[${PROGRAM}]=] [=[${f}]=])\n")
  string(APPEND text "set_tests_properties([=[${NAME}.${f}]=] PROPERTIES ENVIRONMENT [=[${env}]=] SKIP_RETURN_CODE 77)\n")
endforeach()
if(NOT seen)
  message(FATAL_ERROR "${PROGRAM} lists no test functions")
endif()
file(WRITE "${OUT}" "${text}")
