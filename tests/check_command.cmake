# cmake -DCOMMAND="prog|arg|..." -DEXPECT_EXIT=N -DEXPECT_OUTPUT=REGEX -P check_command.cmake
# Runs the command and checks its exit code and its standard output and
# error together against a regular expression.
string(REPLACE "|" ";" command "${COMMAND}")
execute_process(COMMAND ${command} RESULT_VARIABLE exit_code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT exit_code STREQUAL "${EXPECT_EXIT}")
  message(FATAL_ERROR "exit code ${exit_code}, expected ${EXPECT_EXIT}\n${out}${err}")
endif()
if(NOT "${out}${err}" MATCHES "${EXPECT_OUTPUT}")
  message(FATAL_ERROR "output does not match '${EXPECT_OUTPUT}':\n${out}${err}")
endif()
