# A page script under wine's own script host against a registered control,
# through tests/apps/host_transcript.cmake: same transcript, same saved bytes
# as under the kit's host.
#   -DWINE_RUN= -DPREFIX= -DOCX= -DSCRIPT=<windows path> -DNAME= -DEXPECTED= -DSAVED_MD5=
#   [-DSAVED_AT=<path under C:> (the saved file, c:\NAME.dat otherwise)]
#   [-DFOLDERS=<path under C:>;... (made first)]
include(${CMAKE_CURRENT_LIST_DIR}/wine_steps.cmake)
wine_ok(regsvr32 /s ${OCX})
# Code page 936 as on the target desktops; wine takes it from the locale.
set(ENV{LC_ALL} zh_CN.UTF-8)
set(COMMAND /bin/sh ${WINE_RUN} --prefix ${PREFIX} cscript //nologo ${SCRIPT}
  "c:\\${NAME}.dat" "c:\\${NAME}.txt")
set(TRANSCRIPT ${PREFIX}/drive_c/${NAME}.txt)
set(SAVED ${PREFIX}/drive_c/${NAME}.dat)
if(DEFINED SAVED_AT)
  set(SAVED ${PREFIX}/drive_c/${SAVED_AT})
endif()
foreach(_d IN LISTS FOLDERS)
  file(MAKE_DIRECTORY ${PREFIX}/drive_c/${_d})
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/../../apps/host_transcript.cmake)
