# Makes a control's cabinet: its signed module and its INF in code page 936.
#   cmake -DOUT=x.cab -DWORK= -DOCX= -DINF=<UTF-8 INF> -DINF_NAME= -DICONV= -DGCAB= -P make_cab.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${OCX} DESTINATION ${WORK})
get_filename_component(_ocx ${OCX} NAME)
execute_process(COMMAND ${ICONV} -f UTF-8 -t CP936 ${INF} OUTPUT_FILE ${WORK}/${INF_NAME}
                RESULT_VARIABLE _rc ERROR_VARIABLE _err)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "${INF} does not go into code page 936: ${_err}")
endif()
file(REMOVE ${OUT})
execute_process(COMMAND ${GCAB} -c -z -n ${OUT} ${_ocx} ${INF_NAME} WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "gcab failed (${_rc}):\n${_out}")
endif()
