# Makes the kit's installer package from Kit.wxs.in (names filled in at
# configure time), the controls' registry rows and the signed deliverables;
# a <?kit-condition COMPONENT: CONDITION?> in the source gives a component
# its condition.
#   cmake -DTEMPLATE= -DOUT= -DWORK= -DVERSION=a.b.c -DUPGRADE_CODE= -DROWS_DIR=
#         -DFILES=a;b -DTOOL=installer-tool -DWIXL= -P make_msi.cmake
# The product code follows from the version: a package rebuilt at the same
# version is the same product, not a second one beside it.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
string(UUID MSI_PRODUCT_CODE NAMESPACE ${UPGRADE_CODE} NAME "${VERSION}" TYPE SHA1 UPPER)
set(MSI_VERSION ${VERSION})
configure_file(${TEMPLATE} ${WORK}/kit.wxs @ONLY)

file(READ ${WORK}/kit.wxs _wxs)
string(REGEX MATCHALL "<\\?kit-rows [a-z-]+\\?>" _marks "${_wxs}")
foreach(_mark IN LISTS _marks)
  string(REGEX REPLACE "<\\?kit-rows ([a-z-]+)\\?>" "\\1" _name "${_mark}")
  file(READ ${ROWS_DIR}/${_name}.rows _rows)
  string(REPLACE "${_mark}" "${_rows}" _wxs "${_wxs}")
endforeach()
# Component conditions, which wixl cannot write: set in the package it made.
string(REGEX MATCHALL "<\\?kit-condition [A-Za-z0-9_]+: [^?]*\\?>" _conditions "${_wxs}")
string(REGEX REPLACE "[ ]*<\\?kit-condition [^?]*\\?>\n?" "" _wxs "${_wxs}")
file(WRITE ${WORK}/kit.wxs "${_wxs}")
foreach(_f IN LISTS FILES)
  file(COPY ${_f} DESTINATION ${WORK})
endforeach()

# wixl keeps only ASCII text: the rest goes through marked and is decoded
# into the package's code page afterwards.
function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE _rc OUTPUT_VARIABLE _out
                  ERROR_VARIABLE _out)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "`${ARGN}` failed (${_rc}):\n${_out}")
  endif()
endfunction()
run(${TOOL} escape kit.wxs kit-ascii.wxs)
run(${WIXL} -o kit.msi kit-ascii.wxs)
run(${TOOL} codepage kit.msi 936)
foreach(_c IN LISTS _conditions)
  string(REGEX REPLACE "<\\?kit-condition ([A-Za-z0-9_]+): ([^?]*)\\?>" "\\1" _component "${_c}")
  string(REGEX REPLACE "<\\?kit-condition ([A-Za-z0-9_]+): ([^?]*)\\?>" "\\2" _condition "${_c}")
  run(${TOOL} condition kit.msi ${_component} "${_condition}")
endforeach()
file(RENAME ${WORK}/kit.msi ${OUT})
