# Runs pad_screen on an Xvfb screen: the signed pad's window is written to
# OUT/quillpad_signature.png, the pad's own file to OUT/Quillpad.BMP.
#   cmake -DEMULATOR=cmd;args -DPROGRAM=exe -DXVFB_RUN=sh -DWINEPREFIX=dir -DOUT=dir -P pad_screen.cmake
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
set(_shot ${OUT}/quillpad_signature.png)
string(REPLACE "/" "\\" _win_out "Z:${OUT}")
execute_process(
  COMMAND sh ${XVFB_RUN} --ready ${OUT}/shot.ready --window "Quillpad signature" --shot ${_shot}
    --go ${OUT}/shot.go --wineprefix ${WINEPREFIX} --timeout 50
    -- ${EMULATOR} --prefix ${WINEPREFIX} --display --locale zh_CN ${PROGRAM} ${_win_out} "${_win_out}\\shot.ready" "${_win_out}\\shot.go"
  RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err TIMEOUT 58)
message(STATUS "${_out}${_err}")
if(_rc EQUAL 77)
  message(FATAL_ERROR "KIT_SKIPPED: no Xvfb")
endif()
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "pad_screen exited with ${_rc}")
endif()
foreach(_file ${_shot} ${OUT}/Quillpad.BMP)
  if(NOT EXISTS ${_file})
    message(FATAL_ERROR "not written: ${_file}")
  endif()
endforeach()
file(READ ${_shot} _magic LIMIT 8 HEX)
if(NOT _magic STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "${_shot} is no PNG")
endif()
message(STATUS "screenshot of the signed pad: ${_shot}")
