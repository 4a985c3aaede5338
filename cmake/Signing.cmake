# Authenticode signatures on what ships, made with osslsigncode.
#
# The office's own certificate is given at configure time:
#   -DKIT_SIGN_CERT=cert.pem (the certificate, or its chain, in PEM)
#   -DKIT_SIGN_KEY=key.pem   (its private key in PEM)
#   -DKIT_SIGN_PASS_FILE=f   (only when the key has a pass phrase)
# Without them the build makes a throwaway self-signed certificate of its own
# and the files are test-signed: fine for the tests, not for a desktop.
find_program(KIT_OSSLSIGNCODE osslsigncode REQUIRED)
set(KIT_SIGN_CERT "" CACHE FILEPATH "PEM certificate (chain) the deliverables are signed with")
set(KIT_SIGN_KEY "" CACHE FILEPATH "PEM private key of KIT_SIGN_CERT")
set(KIT_SIGN_PASS_FILE "" CACHE FILEPATH "File holding the pass phrase of KIT_SIGN_KEY, if any")

if(KIT_SIGN_CERT AND KIT_SIGN_KEY)
  set(KIT_SIGNING_CERT ${KIT_SIGN_CERT})
  set(KIT_SIGNING_KEY ${KIT_SIGN_KEY})
  set(KIT_TEST_SIGNED OFF)
else()
  find_program(KIT_OPENSSL openssl REQUIRED)
  set(_dir ${CMAKE_BINARY_DIR}/test-signing)
  set(KIT_SIGNING_CERT ${_dir}/test-cert.pem)
  set(KIT_SIGNING_KEY ${_dir}/test-key.pem)
  if(NOT EXISTS ${KIT_SIGNING_CERT} OR NOT EXISTS ${KIT_SIGNING_KEY})
    file(MAKE_DIRECTORY ${_dir})
    execute_process(
      COMMAND ${KIT_OPENSSL} req -x509 -newkey rsa:2048 -sha256 -days 3650 -nodes
              -keyout ${KIT_SIGNING_KEY} -out ${KIT_SIGNING_CERT}
              -subj "/CN=Desktop client kit test signing (not for distribution)"
              -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning"
      RESULT_VARIABLE _rc OUTPUT_QUIET ERROR_VARIABLE _err)
    if(NOT _rc EQUAL 0)
      message(FATAL_ERROR "Making the test signing certificate failed: ${_err}")
    endif()
  endif()
  set(KIT_TEST_SIGNED ON)
  message(STATUS "No KIT_SIGN_CERT/KIT_SIGN_KEY given: the deliverables are TEST-SIGNED with ${KIT_SIGNING_CERT}")
endif()

# kit_sign_command(OUT_VAR FILE DESCRIPTION): the command that signs FILE in
# place, for the custom commands that make other files that ship (the
# installer package, the controls' cabinets).
function(kit_sign_command out file description)
  set(${out} ${CMAKE_COMMAND} -DOSSLSIGNCODE=${KIT_OSSLSIGNCODE} -DCERT=${KIT_SIGNING_CERT}
      -DKEY=${KIT_SIGNING_KEY} -DPASS_FILE=${KIT_SIGN_PASS_FILE} -DTEST_SIGNED=${KIT_TEST_SIGNED}
      "-DDESCRIPTION=${description}" -DFILE=${file} -P ${PROJECT_SOURCE_DIR}/cmake/sign.cmake PARENT_SCOPE)
endfunction()

# kit_sign_after_build(target description): signs the target's file in place
# once it is linked, before anything copies it.
function(kit_sign_after_build target description)
  kit_sign_command(_sign $<TARGET_FILE:${target}> "${description}")
  add_custom_command(TARGET ${target} POST_BUILD COMMAND ${_sign} VERBATIM)
endfunction()
