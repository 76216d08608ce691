# Runs one planted fault of the sanitizer canaries and passes only when the run
# fails with the expected report: a report that prints but lets the run succeed
# would let every other test pass over the same fault.
execute_process(COMMAND "${BINARY}" "--gtest_filter=${FILTER}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(result EQUAL 0)
  message(FATAL_ERROR "${FILTER} ended successfully despite its planted fault:\n${output}${errors}")
endif()
if(NOT "${output}${errors}" MATCHES "${REPORT}")
  message(FATAL_ERROR "${FILTER} failed (${result}) without the report '${REPORT}':\n${output}${errors}")
endif()
