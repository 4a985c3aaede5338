# An older package of the kit followed by the newer one, silently, in a
# prefix of its own: one product stays installed, the newer, with the
# controls registered and the site list the older one was given.
#   cmake -DWINE_RUN= -DWINESERVER= -DPREFIX= -DICONV= -DNOTARO_TESTS= -DOLDER_MSI= -DMSI= -DVERSION=
#         -DOLDER_VERSION= -DUPGRADE_CODE= -DKIT_FOLDER= -DSITE_LIST_KEY= -DSITE_LIST_VALUE= -DPROGIDS=a;b
#         -P msi_upgrade.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/install_steps.cmake)
string(REPLACE "/" "\\" _older "Z:${OLDER_MSI}")
string(REPLACE "/" "\\" _newer "Z:${MSI}")
set(_products "Z:${CMAKE_CURRENT_LIST_DIR}/installed_products.js")

function(expect_products want)
  file(REMOVE ${PREFIX}/drive_c/kit-test/products.txt)
  wine_ok(cscript //nologo ${_products} "{${UPGRADE_CODE}}" "c:\\kit-test\\products.txt")
  file(STRINGS ${PREFIX}/drive_c/kit-test/products.txt _lines)
  list(TRANSFORM _lines REPLACE "^[^ ]+ " "")
  if(NOT _lines STREQUAL want)
    message(FATAL_ERROR "installed versions: \"${_lines}\", want \"${want}\"")
  endif()
endfunction()

fresh_prefix()
wine_ok(msiexec /i ${_older} /qn "SITELIST=http://oa.example.gov.cn")
expect_products(${OLDER_VERSION})
wine_ok(msiexec /i ${_newer} /qn)
expect_products(${VERSION})
foreach(_p IN LISTS PROGIDS)
  expect_key("HKCR\\${_p}\\CLSID")
endforeach()
wine(_rc _text reg query "HKLM\\${SITE_LIST_KEY}" /v ${SITE_LIST_VALUE})
if(NOT _text MATCHES "REG_SZ +http://oa.example.gov.cn")
  message(FATAL_ERROR "the upgrade lost the site list:\n${_text}")
endif()
# And a downgrade is refused.
wine(_rc _text msiexec /i ${_older} /qn)
if(_rc EQUAL 0)
  message(FATAL_ERROR "the older package installed over the newer one")
endif()
expect_products(${VERSION})
remove_prefix()
