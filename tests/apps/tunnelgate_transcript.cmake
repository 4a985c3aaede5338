# Runs a dialer program several times on one fresh machine (a KIT_ROOT of its
# own) and holds the joined output to an expected transcript.
#   cmake -DPROGRAM=exe -DROOT=dir -DRUNS=args|args|... -DEXPECTED=file
#         [-DHOLD_MUTEX=N] -P tunnelgate_transcript.cmake
# Arguments of a run are separated by ';' (write them as \; on the command
# line); run N (1-based) of HOLD_MUTEX starts while another process holds the
# single-instance mutex.
foreach(_v PROGRAM ROOT RUNS EXPECTED)
  if(NOT DEFINED ${_v})
    message(FATAL_ERROR "tunnelgate_transcript: ${_v} not given")
  endif()
endforeach()
file(REMOVE_RECURSE ${ROOT})
file(MAKE_DIRECTORY ${ROOT}/mutex)
set(ENV{KIT_ROOT} ${ROOT})
string(REPLACE "|" ";" _runs "${RUNS}")
set(_all "")
set(_n 0)
foreach(_run IN LISTS _runs)
  math(EXPR _n "${_n} + 1")
  string(REPLACE "," ";" _args "${_run}")
  set(_cmd ${PROGRAM} ${_args})
  if(DEFINED HOLD_MUTEX AND _n EQUAL HOLD_MUTEX)
    # "Test" in hex: the lock file of the mutex another copy would hold.
    set(_cmd flock ${ROOT}/mutex/54657374.lock ${_cmd})
  endif()
  execute_process(COMMAND ${_cmd} OUTPUT_VARIABLE _out ERROR_VARIABLE _err RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "run ${_n} exited with ${_rc}:\n${_out}${_err}")
  endif()
  string(APPEND _all "== run ${_n}\n${_out}")
endforeach()
file(READ ${EXPECTED} _want)
if(NOT _all STREQUAL _want)
  file(WRITE ${ROOT}/transcript.actual "${_all}")
  message(FATAL_ERROR "the transcript differs from ${EXPECTED} (see ${ROOT}/transcript.actual):\n${_all}")
endif()
