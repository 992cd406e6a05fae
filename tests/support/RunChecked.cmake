# For test scripts run with cmake -P: run(COMMAND...) runs a program and fails the script with
# its output unless it ends with status 0; its standard output is left in `output`.
function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
                    ERROR_VARIABLE error)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${ARGN}: status ${status}\n${output}${error}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()
