# Runs the generator and fails unless its output equals the committed song.
execute_process(COMMAND ${GENERATOR} ${OUTPUT} RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "songgen failed (${result})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${COMMITTED} RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "assets/song.xm differs from what songgen writes now; regenerate it with songgen")
endif()
