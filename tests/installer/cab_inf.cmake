# A control's cabinet as a page's codebase download unpacks it, its INF run
# through wine's own INF installers (advpack, as the browser's download
# runs it, and the system setup library) in a prefix of its own: the
# control lands in the kit's folder and the registry is the one regsvr32 of
# the same file writes; the setup library's DefaultUninstall unregisters it.
#   cmake -DWINE_RUN= -DWINESERVER= -DPREFIX= -DICONV= -DNOTARO_TESTS= -DGCAB= -DCAB= -DOCX=<name>
#         -DKIT_FOLDER=<C:\...> -DCLASS_IDS=a;b -P cab_inf.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/install_steps.cmake)
string(REPLACE "\\" "/" _folder "${KIT_FOLDER}")
string(REGEX REPLACE "^[A-Za-z]:/" "" _folder "${_folder}")
get_filename_component(_name ${CAB} NAME_WE)
set(_inf "c:\\kit-test\\cab\\${_name}.inf")

fresh_prefix()
file(MAKE_DIRECTORY ${PREFIX}/drive_c/kit-test/cab)
execute_process(COMMAND ${GCAB} -x -C ${PREFIX}/drive_c/kit-test/cab ${CAB} RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${CAB}")
endif()

wine_ok(rundll32 advpack.dll,LaunchINFSection "${_inf},DefaultInstall")
expect_file("${_folder}/${OCX}")
export_key("HKLM\\Software\\Classes" advpack)
expect_registered_again(advpack ${OCX})

wine_ok(rundll32 setupapi.dll,InstallHinfSection DefaultUninstall 128 ${_inf})
foreach(_id IN LISTS CLASS_IDS)
  expect_no_key("HKCR\\${_id}")
endforeach()

wine_ok(rundll32 setupapi.dll,InstallHinfSection DefaultInstall 128 ${_inf})
export_key("HKLM\\Software\\Classes" setupapi)
expect_same_export(advpack setupapi "the setup library's install registers otherwise than advpack's")
remove_prefix()
