# Signs one file in place with osslsigncode.
#   cmake -DOSSLSIGNCODE= -DCERT= -DKEY= [-DPASS_FILE=] -DTEST_SIGNED=ON|OFF
#         -DDESCRIPTION= -DFILE= [-DOUT=] -P sign.cmake
# Without OUT the file is replaced by its signed copy.
if(NOT OUT)
  set(OUT ${FILE})
endif()
set(_pass)
if(PASS_FILE)
  set(_pass -readpass ${PASS_FILE})
endif()
set(_tmp ${OUT}.signing)
file(REMOVE ${_tmp})
# SHA-256 digests: what the target desktops' updated systems verify; no
# time stamp, as the build machine reaches no time-stamping server.
execute_process(
  COMMAND ${OSSLSIGNCODE} sign -certs ${CERT} -key ${KEY} ${_pass} -h sha256
          -n ${DESCRIPTION} -in ${FILE} -out ${_tmp}
  RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
if(NOT _rc EQUAL 0)
  file(REMOVE ${_tmp})
  message(FATAL_ERROR "signing ${FILE} failed:\n${_out}${_err}")
endif()
file(RENAME ${_tmp} ${OUT})
if(TEST_SIGNED)
  get_filename_component(_name ${OUT} NAME)
  message(STATUS "${_name} is test-signed (no office certificate was given)")
endif()
