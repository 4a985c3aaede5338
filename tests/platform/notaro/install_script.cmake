# The dist folder's install and uninstall scripts under wine's cmd: after
# install.bat the control's ProgID resolves, after uninstall.bat it is gone.
#   -DWINE_RUN= -DPREFIX= -DDIST=<windows path of the dist folder> -DPROGID=
#   [-DOCX_NAME=<the control's file, Notaro.ocx unless given>]
include(${CMAKE_CURRENT_LIST_DIR}/wine_steps.cmake)
if(NOT DEFINED OCX_NAME)
  set(OCX_NAME Notaro.ocx)
endif()

wine(_rc _text cmd /c "${DIST}\\install.bat")
if(NOT _rc EQUAL 0 OR NOT _text MATCHES "Registered ${OCX_NAME}")
  message(FATAL_ERROR "install.bat exited with ${_rc}:\n${_text}")
endif()
expect_key("HKCR\\${PROGID}\\CLSID")
wine_ok(cmd /c "${DIST}\\uninstall.bat")
expect_no_key("HKCR\\${PROGID}")
