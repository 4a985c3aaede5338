# The kit's installer package under 32-bit wine, in a prefix of its own:
# a silent per-machine install into the kit's folder with the Start-menu
# shortcuts and the site list; both controls answer a page script as
# before; the registry the package writes is the one regsvr32 of the same
# files writes; a silent uninstall leaves no file and no key behind except
# the component categories that unregistration leaves too.
#   cmake -DWINE_RUN= -DWINESERVER= -DPREFIX= -DICONV= -DNOTARO_TESTS= -DSCRIPTS=<tests/apps/scripts>
#         -DMSI= -DKIT_FOLDER=<C:\...> -DMENU_FOLDER= -DSHORTCUTS=name=program.exe;... -DFILES=a;b
#         -DSITE_LIST_KEY=<below HKLM> -DSITE_LIST_VALUE= -DCLASS_IDS=a;b -DCATEGORIES=catid=text;...
#         -P msi_install.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/install_steps.cmake)
string(REPLACE "/" "\\" _msi "Z:${MSI}")
string(REPLACE "\\" "/" _folder "${KIT_FOLDER}")
string(REGEX REPLACE "^[A-Za-z]:/" "" _folder "${_folder}")

fresh_prefix()
# The script host registers its own type library when it first runs.
file(WRITE ${PREFIX}/drive_c/kit-test/nothing.js "")
wine_ok(cscript //nologo "c:\\kit-test\\nothing.js")
export_key("HKLM\\Software" before-machine)
export_key("HKCU\\Software" before-user)
file(GLOB_RECURSE _before LIST_DIRECTORIES true RELATIVE ${PREFIX}/drive_c ${PREFIX}/drive_c/*)

set(_sites "http://oa.example.gov.cn;https://oa2.example.gov.cn:8443")
# Run directly: the list's ";" would not survive the helpers' argument lists.
execute_process(COMMAND /bin/sh ${WINE_RUN} --prefix ${PREFIX} ${WINE_RUN_ARGS} msiexec /i ${_msi} /qn "SITELIST=${_sites}"
                RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "msiexec /i exited with ${_rc}:\n${_out}")
endif()
foreach(_f IN LISTS FILES)
  expect_file("${_folder}/${_f}")
endforeach()
# Per machine on Windows; wine puts them in the installing user's menu.
file(GLOB_RECURSE _links ${PREFIX}/drive_c/*.lnk)
foreach(_s IN LISTS SHORTCUTS)
  string(REGEX REPLACE "=.*" "" _name "${_s}")
  string(REGEX REPLACE "^[^=]*=" "" _exe "${_s}")
  set(_found ${_links})
  list(FILTER _found INCLUDE REGEX "/Start Menu/Programs/${MENU_FOLDER}/${_name}\\.lnk$")
  if(NOT _found)
    message(FATAL_ERROR "no Start-menu shortcut ${MENU_FOLDER}\\${_name}")
  endif()
  # The link holds its target in the ANSI code page and its working folder
  # in UTF-16, as the shell writes them.
  file(READ "${_found}" _bytes HEX)
  foreach(_want "${KIT_FOLDER}\\${_exe}=CP936" "${KIT_FOLDER}=UTF-16LE")
    string(REGEX REPLACE "=[^=]*$" "" _text "${_want}")
    string(REGEX REPLACE "^.*=" "" _encoding "${_want}")
    file(WRITE ${WORK}/text.txt "${_text}")
    execute_process(COMMAND ${ICONV} -f UTF-8 -t ${_encoding} ${WORK}/text.txt OUTPUT_FILE ${WORK}/text.bin)
    file(READ ${WORK}/text.bin _hex HEX)
    string(FIND "${_bytes}" "${_hex}" _at)
    if(_at EQUAL -1)
      message(FATAL_ERROR "the shortcut ${_name} does not name ${_text}")
    endif()
  endforeach()
endforeach()
wine(_rc _text reg query "HKLM\\${SITE_LIST_KEY}" /v ${SITE_LIST_VALUE})
if(NOT _rc EQUAL 0 OR NOT _text MATCHES "REG_SZ +${_sites}")
  message(FATAL_ERROR "the site list is not \"${_sites}\":\n${_text}")
endif()

# The page scripts, against the installed controls.
set(REGISTERED ON)
foreach(_script remark_basics quillpad_basics)
  set(NAME ${_script})
  set(SCRIPT "Z:${SCRIPTS}/${_script}.js")
  set(EXPECTED ${SCRIPTS}/${_script}.expected)
  foreach(_v ARGS SAVED SAVED_MD5 SAVED_AT FOLDERS)
    unset(${_v})
  endforeach()
  if(_script STREQUAL "quillpad_basics")
    set(FOLDERS Temp)
  endif()
  include(${NOTARO_TESTS}/page_script.cmake)
endforeach()

export_key("HKLM\\Software\\Classes" package)
expect_registered_again(package Notaro.ocx Quillpad.ocx)

wine_ok(msiexec /x ${_msi} /qn)
export_key("HKLM\\Software" after-machine)
export_key("HKCU\\Software" after-user)

# What uninstalling changed, line by line.
set(_allowed_keys)
set(_allowed_values)
foreach(_c IN LISTS CATEGORIES)
  string(REGEX REPLACE "=.*" "" _catid "${_c}")
  string(REGEX REPLACE "^[^=]*=" "" _text "${_c}")
  list(APPEND _allowed_keys "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Component Categories\\${_catid}]")
  list(APPEND _allowed_values "\"409\"=\"${_text}\"")
endforeach()
foreach(_which machine user)
  execute_process(COMMAND diff --old-line-format=-%L --new-line-format=+%L --unchanged-line-format=
                  ${WORK}/before-${_which}.reg ${WORK}/after-${_which}.reg OUTPUT_VARIABLE _diff)
  string(REPLACE "\r" "" _diff "${_diff}")
  string(REPLACE ";" "\\;" _diff "${_diff}")
  string(REPLACE "\n" ";" _lines "${_diff}")
  foreach(_line IN LISTS _lines)
    string(REGEX REPLACE "^[-+]" "" _body "${_line}")
    if(_body STREQUAL "" OR _body MATCHES "^\\[HKEY_CURRENT_USER\\\\Software\\\\Wine\\\\")
      continue()  # blank lines; wine's own settings
    endif()
    # The installer service's own empty folders of bookkeeping, there on
    # any desktop that has installed a package.
    if(_line MATCHES "^\\+\\[HKEY_LOCAL_MACHINE\\\\Software\\\\(Classes|Microsoft\\\\Windows\\\\CurrentVersion)\\\\Installer[]\\\\]")
      continue()
    endif()
    list(FIND _allowed_keys "${_body}" _k)
    list(FIND _allowed_values "${_body}" _v)
    if(_line MATCHES "^\\+" AND (_k GREATER -1 OR _v GREATER -1))
      continue()
    endif()
    message(FATAL_ERROR "uninstalling left the registry changed: ${_line}\n${_diff}")
  endforeach()
endforeach()
foreach(_key IN LISTS _allowed_keys)
  string(REPLACE "[" "" _k "${_key}")
  string(REPLACE "]" "" _k "${_k}")
  expect_key("${_k}")
endforeach()

file(GLOB_RECURSE _after LIST_DIRECTORIES true RELATIVE ${PREFIX}/drive_c ${PREFIX}/drive_c/*)
list(REMOVE_ITEM _after ${_before})
# The exports, the page scripts' files and the installer service's cache.
list(FILTER _after EXCLUDE REGEX "^(kit-test|windows/Installer|remark_basics\\.|quillpad_basics\\.|Temp)")
if(_after)
  message(FATAL_ERROR "uninstalling left files behind: ${_after}")
endif()
remove_prefix()
