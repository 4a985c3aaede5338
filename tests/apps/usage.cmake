# A program asked for --help prints its usage on standard output and exits 0;
# given an option it does not know, it prints the usage on standard error and
# exits 2.
#   cmake -DPROGRAM=path -DNAME=name -P usage.cmake
execute_process(COMMAND ${PROGRAM} --help RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err
                INPUT_FILE /dev/null TIMEOUT 20)
if(NOT _rc EQUAL 0 OR NOT _out MATCHES "^usage: ${NAME} ")
  message(FATAL_ERROR "${NAME} --help: status ${_rc}\nstdout: ${_out}\nstderr: ${_err}")
endif()
execute_process(COMMAND ${PROGRAM} --no-such-option RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err
                INPUT_FILE /dev/null TIMEOUT 20)
if(NOT _rc EQUAL 2 OR NOT _err MATCHES "usage: ${NAME} " OR NOT _out STREQUAL "")
  message(FATAL_ERROR "${NAME} --no-such-option: status ${_rc}\nstdout: ${_out}\nstderr: ${_err}")
endif()
