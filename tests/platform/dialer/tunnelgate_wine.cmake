# Starts the recording build of Tunnelgate.exe (under wine through the
# build's emulator), presses the given controls, lets it leave through its
# exit path and holds the record to what start-up and exit must do.
#   cmake -DEMULATOR=cmd;args -DPROGRAM=exe -DRECORD=file -DPRESS=a,b -P tunnelgate_wine.cmake
# With -DXVFB_RUN=xvfb_run.sh -DWINEPREFIX=dir -DSHOT=png -DCAPTION=title it
# runs on an Xvfb screen in a wine prefix of its own, writes a screenshot of
# the main window and holds the wine registry to what start-up stored.
file(REMOVE ${RECORD})
set(ENV{KIT_DIALER_RECORD} ${RECORD})
set(ENV{KIT_DIALER_PRESS} "${PRESS}")
set(_command ${EMULATOR} ${PROGRAM})
if(XVFB_RUN)
  get_filename_component(_shot_dir ${SHOT} DIRECTORY)
  set(_ready ${_shot_dir}/tunnelgate_shot.ready)
  set(_go ${_shot_dir}/tunnelgate_shot.go)
  file(REMOVE ${SHOT} ${_ready} ${_go})
  set(ENV{KIT_DIALER_SHOT_READY} ${_ready})
  set(ENV{KIT_DIALER_SHOT_GO} ${_go})
  # Start from a registry without the program's settings, so what is read
  # back afterwards was written by this run. The prefix is this test's
  # alone (and its server down between runs).
  set(_user_reg ${WINEPREFIX}/user.reg)
  if(EXISTS ${_user_reg})
    file(READ ${_user_reg} _reg)
    string(REGEX REPLACE "\n\\[Software\\\\\\\\VB and VBA Program Settings[^\n]*\n([^\n]+\n)*" "\n" _reg "${_reg}")
    file(WRITE ${_user_reg} "${_reg}")
  endif()
  set(_command sh ${XVFB_RUN} --ready ${_ready} --window "${CAPTION}" --shot ${SHOT} --go ${_go}
      --wineprefix ${WINEPREFIX} -- ${EMULATOR} --prefix ${WINEPREFIX} --display --locale zh_CN ${PROGRAM})
endif()
execute_process(COMMAND ${_command} RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err
                TIMEOUT 120)
if(_rc EQUAL 77)
  message(STATUS "${_out}${_err}")
  message(FATAL_ERROR "KIT_SKIPPED: no Xvfb")
endif()
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

if(XVFB_RUN)
  if(NOT EXISTS ${SHOT})
    message(FATAL_ERROR "no screenshot written\n${_out}${_err}")
  endif()
  message(STATUS "screenshot of the main window: ${SHOT}")
  # The wine server has written its registry out on leaving.
  file(READ ${WINEPREFIX}/user.reg _reg)
  string(REGEX MATCH "\n\\[Software\\\\\\\\VB and VBA Program Settings[^\n]*settings\\][^\n]*\n([^\n]+\n)*" _section "${_reg}")
  if(NOT _section MATCHES "\"LocalGateway\"=\"([0-9.]*)\"")
    message(FATAL_ERROR "no LocalGateway in the wine registry:\n${_section}")
  endif()
  set(_stored "[${CMAKE_MATCH_1}]")
  string(REGEX MATCH "\\[[0-9.]*\\]" _recorded "${_registry}")
  if(NOT _stored STREQUAL _recorded)
    message(FATAL_ERROR "the wine registry holds LocalGateway=${_stored}, the program read ${_recorded}")
  endif()
endif()
