# Runs one replay test (see KX508ReplayTest.cmake): cmake -DPROGRAM=... -DSCRIPT=...
# -DEXPECTED=... -DWORK=... [-DEMULATOR=...] -P KX508RunReplayTest.cmake. The test fails
# with the replay's own lines when it differs from the expected run or cannot run.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
get_filename_component(name ${SCRIPT} NAME)
file(COPY_FILE ${SCRIPT} ${WORK}/${name})
set(ENV{KX508_PLATFORM} headless)
set(ENV{KX508_PLAY} ${name})
set(ENV{KX508_EXPECT} ${EXPECTED})
foreach(option KX508_FRAMES KX508_FRAMES_EVERY KX508_LOG KX508_GIF KX508_RECORD
               KX508_PLAY_PACE KX508_PLAY_TO KX508_EXPECT_DIFF)
  unset(ENV{${option}})
endforeach()
execute_process(COMMAND ${EMULATOR} ${PROGRAM} WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status ERROR_VARIABLE said OUTPUT_QUIET)
message("${said}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the replay of ${name} ended with status ${status}; see ${WORK}")
endif()
