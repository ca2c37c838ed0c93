# kx508_add_replay_test(NAME <name> PROGRAM <target> SCRIPT <file> EXPECTED <dir>
#                       [LABELS <label...>]): a CTest test that replays the script headless
# (KX508_PLAY) and checks every frame and log line against the expected run (KX508_EXPECT),
# with the labels given (ctest -L picks it by them). It runs in a folder of its own under the build
# tree, with the script copied there under its own name, as the expected run was made; the
# picture of a difference is left there as kx508-expect.png.
set(KX508_REPLAY_TEST_RUNNER ${CMAKE_CURRENT_LIST_DIR}/KX508RunReplayTest.cmake)

function(kx508_add_replay_test)
  cmake_parse_arguments(T "" "NAME;PROGRAM;SCRIPT;EXPECTED" "LABELS" ${ARGN})
  foreach(arg NAME PROGRAM SCRIPT EXPECTED)
    if(NOT T_${arg})
      message(FATAL_ERROR "kx508_add_replay_test: ${arg} is missing")
    endif()
  endforeach()
  if(NOT TARGET ${T_PROGRAM})
    message(FATAL_ERROR "kx508_add_replay_test: no target ${T_PROGRAM}")
  endif()
  get_filename_component(script ${T_SCRIPT} ABSOLUTE)
  get_filename_component(expected ${T_EXPECTED} ABSOLUTE)
  if(NOT EXISTS ${script})
    message(FATAL_ERROR "kx508_add_replay_test: no script ${script}")
  endif()
  if(NOT IS_DIRECTORY ${expected})
    message(FATAL_ERROR "kx508_add_replay_test: no expected run ${expected}")
  endif()
  add_test(NAME ${T_NAME}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${T_PROGRAM}> -DSCRIPT=${script}
            -DEXPECTED=${expected} -DWORK=${CMAKE_CURRENT_BINARY_DIR}/replay-test-${T_NAME}
            "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}" -P ${KX508_REPLAY_TEST_RUNNER})
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
