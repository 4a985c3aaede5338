# Helpers for drivers that run Windows programs of the build under wine.
# Needs WINE_RUN (scripts/wine-run) and PREFIX (the build's wine prefix);
# WINE_RUN_ARGS, when set, go to wine-run before the program (--locale zh_CN).

# wine(OUT_RC OUT_TEXT program args...)
function(wine out_rc out_text)
  execute_process(COMMAND /bin/sh ${WINE_RUN} --prefix ${PREFIX} ${WINE_RUN_ARGS} ${ARGN}
    OUTPUT_VARIABLE _o ERROR_VARIABLE _e RESULT_VARIABLE _rc)
  string(REPLACE "\r" "" _o "${_o}")
  set(${out_rc} ${_rc} PARENT_SCOPE)
  set(${out_text} "${_o}${_e}" PARENT_SCOPE)
endfunction()

# wine_ok(program args...): fails the test unless the program exits with 0.
function(wine_ok)
  wine(_rc _text ${ARGN})
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "`${ARGN}` exited with ${_rc}\n${_text}")
  endif()
endfunction()

function(expect_key key)
  wine(_rc _text reg query ${key})
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "${key} is missing")
  endif()
endfunction()

function(expect_no_key key)
  wine(_rc _text reg query ${key})
  if(_rc EQUAL 0)
    message(FATAL_ERROR "${key} is still there:\n${_text}")
  endif()
endfunction()
