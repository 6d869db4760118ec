# Runs talbrix-trace on a fixed scenario and compares the SHA-256 of its CSV
# trace with the committed one. Every build must print the very same bytes:
# the model's results may not depend on the compiler, the optimisation level
# or the sanitizers.
#
# cmake -DTRACE=<talbrix-trace, or a list: node;talbrix-trace.js> -DSCENARIO=<file> -DEXPECTED=<sha256 file>
#       -DOUTPUT=<csv to write> -P check_golden_trace.cmake
execute_process(COMMAND ${TRACE} "${SCENARIO}" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "talbrix-trace exited with status ${status}")
endif()
file(SHA256 "${OUTPUT}" actual)
file(STRINGS "${EXPECTED}" expected LIMIT_COUNT 1 REGEX "^[0-9a-f]+")
string(REGEX MATCH "^[0-9a-f]+" expected "${expected}")
if(NOT actual STREQUAL expected)
  message(FATAL_ERROR
    "The trace of ${SCENARIO} changed.\n"
    "  expected SHA-256 ${expected}\n"
    "  this build gives ${actual}\n"
    "The trace is kept at ${OUTPUT}; diff it with the same file of another build to see where "
    "the numbers part. If the model's behaviour was changed on purpose, write the new hash "
    "(sha256sum of the trace from the dev build) into ${EXPECTED}.")
endif()
message(STATUS "golden trace matches: ${actual}")
