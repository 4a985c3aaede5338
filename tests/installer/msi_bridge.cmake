# The bridge for pages in browsers without ActiveX, as the kit's package
# installs it under 32-bit wine: not at all on Windows 7; on Windows 10 the
# program and the Run value that starts it at each user's logon, after which
# (wineboot's start-up plays the logon) it answers a page of the site list
# the package wrote and no other, asked by a program of the same user; a
# silent uninstall ends it and leaves neither the program nor the value.
#   cmake -DWINE_RUN= -DWINESERVER= -DPREFIX= -DICONV= -DNOTARO_TESTS= -DMSI= -DKIT_FOLDER=<C:\...>
#         -DSITE_LIST_KEY=<below HKLM> -DPAGE_SCRIPT=<bridge_page.js> -P msi_bridge.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/install_steps.cmake)
string(REPLACE "/" "\\" _msi "Z:${MSI}")
string(REPLACE "/" "\\" _page "Z:${PAGE_SCRIPT}")
string(REPLACE "\\" "/" _folder "${KIT_FOLDER}")
string(REGEX REPLACE "^[A-Za-z]:/" "" _folder "${_folder}")
set(_run_key "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run")
set(_site "http://oa.example.gov.cn")

function(install)
  execute_process(COMMAND /bin/sh ${WINE_RUN} --prefix ${PREFIX} ${WINE_RUN_ARGS} msiexec /i ${_msi} /qn
                          "SITELIST=${_site};https://oa2.example.gov.cn:8443"
                  RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "msiexec /i exited with ${_rc}:\n${_out}")
  endif()
endfunction()

# Whether something listens on 127.0.0.1:port.
function(listening port out)
  file(READ /proc/net/tcp _table)
  string(TOUPPER "0100007F:" _local)
  math(EXPR _hex "${port}" OUTPUT_FORMAT HEXADECIMAL)
  string(REGEX REPLACE "^0x" "" _hex "${_hex}")
  string(TOUPPER "${_hex}" _hex)
  string(LENGTH "${_hex}" _n)
  while(_n LESS 4)
    set(_hex "0${_hex}")
    string(LENGTH "${_hex}" _n)
  endwhile()
  if(_table MATCHES " ${_local}${_hex} 00000000:0000 0A ")
    set(${out} ON PARENT_SCOPE)
  else()
    set(${out} OFF PARENT_SCOPE)
  endif()
endfunction()

# A port nothing listens on.
string(RANDOM LENGTH 4 ALPHABET 0123456789 _r)
math(EXPR _port "20000 + ${_r} % 30000")
listening(${_port} _busy)
while(_busy)
  math(EXPR _port "${_port} + 1")
  listening(${_port} _busy)
endwhile()

# Windows 7: the rest of the kit, not the bridge.
fresh_prefix()
wine_ok(winecfg -v win7)
install()
expect_file("${_folder}/Notaro.ocx")
if(EXISTS "${PREFIX}/drive_c/${_folder}/NotaroBridge.exe")
  message(FATAL_ERROR "the package put the bridge on Windows 7")
endif()
wine(_rc _text reg query ${_run_key} /v NotaroBridge)
if(_rc EQUAL 0)
  message(FATAL_ERROR "the package starts a bridge at logon on Windows 7:\n${_text}")
endif()
wine_ok(msiexec /x ${_msi} /qn)

# Windows 10.
wine_ok(winecfg -v win10)
install()
expect_file("${_folder}/NotaroBridge.exe")
wine(_rc _text reg query ${_run_key} /v NotaroBridge)
# The program by its full path, quoted: the folder's name has spaces.
if(NOT _rc EQUAL 0 OR NOT _text MATCHES "NotaroBridge +REG_SZ +\"C:\\\\Program Files\\\\.*\\\\NotaroBridge\\.exe\"")
  message(FATAL_ERROR "no Run value that starts the installed bridge:\n${_text}")
endif()
# This user's own port, as IT may give one.
wine_ok(reg add "HKCU\\${SITE_LIST_KEY}" /v BridgePort /t REG_DWORD /d ${_port} /f)

# The logon: wineboot's start-up runs what the Run key names. The bridge
# lives on after it: its output goes to no pipe the test would wait for.
execute_process(COMMAND /bin/sh ${WINE_RUN} --prefix ${PREFIX} ${WINE_RUN_ARGS} wineboot
                OUTPUT_FILE /dev/null ERROR_FILE /dev/null)
set(_waited 0)
listening(${_port} _up)
while(NOT _up AND _waited LESS 300)
  execute_process(COMMAND sleep 0.1)
  math(EXPR _waited "${_waited} + 1")
  listening(${_port} _up)
endwhile()
if(NOT _up)
  message(FATAL_ERROR "no bridge listens on 127.0.0.1:${_port} after the logon")
endif()

# A page of the office's site and one of another site, asked by a program
# of this desktop's user.
wine(_rc _text cscript //nologo ${_page} ${_port} ${_site} http://other.example.com)
if(NOT _rc EQUAL 0 OR NOT _text MATCHES "${_site} 200 {\"instance\":1,"
   OR NOT _text MATCHES "http://other.example.com 403 {\"refused\":\"the page's origin http://other.example.com is not one")
  message(FATAL_ERROR "the installed bridge does not answer as the package's site list says:\n${_text}")
endif()

wine_ok(msiexec /x ${_msi} /qn)
listening(${_port} _up)
if(_up)
  message(FATAL_ERROR "the bridge still listens after the uninstall")
endif()
if(EXISTS "${PREFIX}/drive_c/${_folder}/NotaroBridge.exe")
  message(FATAL_ERROR "the uninstall left NotaroBridge.exe")
endif()
wine(_rc _text reg query ${_run_key} /v NotaroBridge)
if(_rc EQUAL 0)
  message(FATAL_ERROR "the uninstall left the Run value:\n${_text}")
endif()
remove_prefix()
