# Starts the recording build of Tunnelgate.exe (under wine64 through the
# build's emulator), presses the given controls, lets it leave through its
# exit path and holds the record to what start-up and exit must do.
#   cmake -DEMULATOR=cmd;args -DPROGRAM=exe -DRECORD=file -DPRESS=a,b -P tunnelgate_wine.cmake
file(REMOVE ${RECORD})
set(ENV{KIT_DIALER_RECORD} ${RECORD})
set(ENV{KIT_DIALER_PRESS} "${PRESS}")
execute_process(COMMAND ${EMULATOR} ${PROGRAM} RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err
                TIMEOUT 120)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "the program exited with ${_rc}\n${_out}${_err}")
endif()
if(NOT EXISTS ${RECORD})
  message(FATAL_ERROR "no record written\n${_out}${_err}")
endif()
file(STRINGS ${RECORD} _lines ENCODING UTF-8)
list(LENGTH _lines _n)
message(STATUS "record:\n${_lines}")
# A fresh machine: the first-run warning first, the exit's hang-up, and the
# local gateway stored in the system registry by start-up.
list(GET _lines 0 _first)
if(NOT _first STREQUAL "box [警告！] 第一次运行请先建立连接，如【优化】按钮可用，请先进行VPN优化后再建立连接，否则拨号将不正常！ (64)")
  message(FATAL_ERROR "first line: ${_first}")
endif()
list(FILTER _lines INCLUDE REGEX "^run |^registry ")
list(GET _lines -2 _last_run)
list(GET _lines -1 _registry)
if(NOT _last_run STREQUAL "run 0: cmd /c rasdial 澄岚市电子政务内网VPN连接 /DISCONNECT")
  message(FATAL_ERROR "the exit path did not end with the hang-up: ${_last_run}")
endif()
if(NOT _registry MATCHES "^registry LocalGateway=\\[([0-9.]*)\\] IsOK key no$")
  message(FATAL_ERROR "registry: ${_registry}")
endif()
