# Every deliverable carries an Authenticode signature that verifies against
# the certificate the build signs with, and a file changed after signing
# does not verify.
#   cmake -DOSSLSIGNCODE= -DCERT= -DFILES=a;b -P verify_signatures.cmake
foreach(_file IN LISTS FILES)
  execute_process(COMMAND ${OSSLSIGNCODE} verify -CAfile ${CERT} -in ${_file}
                  RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
  if(NOT _rc EQUAL 0 OR NOT _out MATCHES "Signature verification: ok")
    message(FATAL_ERROR "${_file} does not verify against ${CERT}:\n${_out}${_err}")
  endif()
  message(STATUS "${_file}: signature ok")
endforeach()

# A byte changed inside the signed image must break the signature.
list(GET FILES 0 _first)
get_filename_component(_name ${_first} NAME)
set(_copy ${CMAKE_CURRENT_BINARY_DIR}/tampered-${_name})
file(COPY_FILE ${_first} ${_copy})
file(SIZE ${_first} _size)
math(EXPR _at "${_size} / 2")
execute_process(COMMAND sh -c "printf 'KIT' | dd of='${_copy}' bs=1 seek=${_at} conv=notrunc status=none"
                RESULT_VARIABLE _rc)
execute_process(COMMAND ${OSSLSIGNCODE} verify -CAfile ${CERT} -in ${_copy}
                RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
file(REMOVE ${_copy})
if(_rc EQUAL 0)
  message(FATAL_ERROR "a changed ${_name} still verifies:\n${_out}${_err}")
endif()
