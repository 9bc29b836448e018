# The command-line harvester, run as a user runs it.
add_test(NAME cli_harvest
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/scripts/cli_harvest.sh
                 $<TARGET_FILE:tessaly-harvest> ${CMAKE_CURRENT_SOURCE_DIR}/scripts/dbf_readback.py)
set_tests_properties(cli_harvest PROPERTIES ENVIRONMENT "${TESSALY_TEST_ENV}" TIMEOUT 120)
