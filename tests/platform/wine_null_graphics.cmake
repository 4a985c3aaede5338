# Runs a Windows program under wine with the null graphics driver.
#   -DWINE_RUN= -DPREFIX= -DPROGRAM= -P wine_null_graphics.cmake
execute_process(COMMAND /bin/sh ${WINE_RUN} --prefix ${PREFIX}
    reg add "HKCU\\Software\\Wine\\Drivers" /v Graphics /d null /f
  OUTPUT_VARIABLE _o ERROR_VARIABLE _e RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "cannot choose the null graphics driver (${_rc}):\n${_o}${_e}")
endif()
execute_process(COMMAND /bin/sh ${WINE_RUN} --prefix ${PREFIX} ${PROGRAM} RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with ${_rc}")
endif()
