# Runs the golden writer and compares its output with the committed file.
execute_process(COMMAND ${WRITER} ${FORMULAS} ${MASSES} ${GROUPS}
                OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "golden_writer failed: ${result}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${EXPECTED}
                RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "${OUTPUT} differs from ${EXPECTED}; if the change of results is "
                      "intended, copy it over")
endif()
