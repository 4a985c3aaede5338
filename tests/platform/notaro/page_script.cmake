# A page script under wine's own script host against a registered control,
# through tests/apps/host_transcript.cmake: same transcript, same saved bytes
# as under the kit's host.
#   -DWINE_RUN= -DPREFIX= -DOCX= -DSCRIPT=<windows path> -DNAME= -DEXPECTED=
#   [-DSAVED_MD5=] [-DARGS=arg;...] [-DSERVER=office-server [-DSERVER_ARGS=arg;...]]
#   [-DSAVED_AT=<path under C:> (the saved file, c:\NAME.dat otherwise)]
#   [-DFOLDERS=<path under C:>;... (made first)]
#   [-DREGISTERED=ON (the control is installed already: no regsvr32, no OCX)]
# The script's arguments are ARGS, by default "c:\NAME.dat" "c:\NAME.txt";
# it writes its lines to c:\NAME.txt, where the control's message boxes go
# too. With SERVER the host runs inside the office server stand-in ("@URL@"
# in ARGS is its address) and the server's list follows the script's lines.
include(${CMAKE_CURRENT_LIST_DIR}/wine_steps.cmake)
if(NOT REGISTERED)
  wine_ok(regsvr32 /s ${OCX})
endif()
# Code page 936 as on the target desktops; wine takes it from the locale.
set(ENV{LC_ALL} zh_CN.UTF-8)
set(ENV{KIT_MESSAGE_BOX_LOG} "c:\\${NAME}.txt")
if(NOT DEFINED ARGS)
  set(ARGS "c:\\${NAME}.dat" "c:\\${NAME}.txt")
endif()
set(COMMAND /bin/sh ${WINE_RUN} --prefix ${PREFIX} ${WINE_RUN_ARGS} cscript //nologo ${SCRIPT} ${ARGS})
if(DEFINED SERVER)
  set(COMMAND ${SERVER} ${SERVER_ARGS} -- ${COMMAND})
  set(OUTPUT_AFTER_TRANSCRIPT ON)
endif()
set(TRANSCRIPT ${PREFIX}/drive_c/${NAME}.txt)
if(DEFINED SAVED_MD5)
  set(SAVED ${PREFIX}/drive_c/${NAME}.dat)
  if(DEFINED SAVED_AT)
    set(SAVED ${PREFIX}/drive_c/${SAVED_AT})
  endif()
endif()
foreach(_d IN LISTS FOLDERS)
  file(MAKE_DIRECTORY ${PREFIX}/drive_c/${_d})
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/../../apps/host_transcript.cmake)
