# Helpers for the installer tests: each test in a wine prefix of its own,
# made afresh, in code page 936 as on the target desktops.
# Needs WINE_RUN, WINESERVER, PREFIX, ICONV, NOTARO_TESTS (tests/platform/notaro).
set(WINE_RUN_ARGS --locale zh_CN)
include(${NOTARO_TESTS}/wine_steps.cmake)
set(WORK ${PREFIX}-work)

# Called last, so that a passed test leaves no prefix behind (one is some
# 600 MB) and a failed one keeps it to look into.
function(remove_prefix)
  if(EXISTS ${PREFIX})
    execute_process(COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${PREFIX} ${WINESERVER} -k
                    OUTPUT_QUIET ERROR_QUIET)
  endif()
  file(REMOVE_RECURSE ${PREFIX} ${WORK})
endfunction()

function(fresh_prefix)
  remove_prefix()
  file(MAKE_DIRECTORY ${WORK})
  wine_ok(cmd /c exit)
  file(MAKE_DIRECTORY ${PREFIX}/drive_c/kit-test)
endfunction()

# export_key(KEY NAME): KEY as regedit writes it, in ${WORK}/NAME.reg (UTF-8).
function(export_key key name)
  wine_ok(reg export ${key} "c:\\kit-test\\${name}.reg" /y)
  execute_process(COMMAND ${ICONV} -f UTF-16LE -t UTF-8 ${PREFIX}/drive_c/kit-test/${name}.reg
                  OUTPUT_FILE ${WORK}/${name}.reg RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "cannot read the export of ${key}")
  endif()
endfunction()

# expect_same_export(A B WHAT): two exports, byte for byte.
function(expect_same_export a b what)
  execute_process(COMMAND diff -u ${WORK}/${a}.reg ${WORK}/${b}.reg OUTPUT_VARIABLE _diff RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "${what}:\n${_diff}")
  endif()
endfunction()

# expect_registered_again(REFERENCE CONTROLS...): the classes' registry
# after regsvr32 /u of the installed controls no longer holds them, and
# after regsvr32 is REFERENCE again, exactly.
function(expect_registered_again reference)
  foreach(_ocx IN LISTS ARGN)
    wine_ok(regsvr32 /u /s "${KIT_FOLDER}\\${_ocx}")
  endforeach()
  export_key("HKLM\\Software\\Classes" ${reference}-unregistered)
  file(READ ${WORK}/${reference}-unregistered.reg _left)
  foreach(_id IN LISTS CLASS_IDS)
    string(FIND "${_left}" "${_id}" _at)
    if(NOT _at EQUAL -1)
      message(FATAL_ERROR "regsvr32 /u left ${_id} in the registry")
    endif()
  endforeach()
  foreach(_ocx IN LISTS ARGN)
    wine_ok(regsvr32 /s "${KIT_FOLDER}\\${_ocx}")
  endforeach()
  export_key("HKLM\\Software\\Classes" ${reference}-regsvr32)
  expect_same_export(${reference} ${reference}-regsvr32
    "the registry differs from what regsvr32 of the same files writes")
endfunction()

function(expect_file path)
  if(NOT EXISTS "${PREFIX}/drive_c/${path}")
    message(FATAL_ERROR "C:/${path} is missing")
  endif()
endfunction()
