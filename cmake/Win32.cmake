# Windows (mingw-w64) builds: GoogleTest compiled from Debian's sources, and
# the 64-bit tests run under wine64 through scripts/wine-run.

# ctest (and any build step that runs a built tool) runs the .exe files under
# wine, in a wine prefix of the build folder's own: wine64 for the x86_64
# build, 32-bit wine in a 32-bit prefix for the i686 build that ships.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KIT_WINE /usr/lib/wine/wine64 CACHE FILEPATH "wine loader the tests run under")
  set(_kit_wine_package wine64)
else()
  set(KIT_WINE /usr/lib/wine/wine CACHE FILEPATH "wine loader the tests run under")
  set(_kit_wine_package wine32:i386)
endif()
if(NOT EXISTS ${KIT_WINE})
  message(WARNING "${KIT_WINE} not found (Debian package ${_kit_wine_package}): the tests will not run")
endif()
# Test drivers call the runner as `sh ${KIT_WINE_RUN} --prefix DIR ...`; it
# carries the loader, so no driver needs to know the architecture.
set(KIT_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
file(WRITE ${KIT_WINE_RUN}
  "#!/bin/sh\nexec /bin/sh '${PROJECT_SOURCE_DIR}/scripts/wine-run' --wine '${KIT_WINE}' \"$@\"\n")
# Through sh, so the script need not carry an executable bit.
set(CMAKE_CROSSCOMPILING_EMULATOR /bin/sh ${KIT_WINE_RUN} --prefix ${CMAKE_BINARY_DIR}/wineprefix)

# libcurl and libjpeg-turbo have no mingw-w64 package: built once per build
# folder from Debian's source packages, linked statically. cpp-httplib's
# single header comes from its source package into the same folder.
set(KIT_MINGW_DEPS_DIR ${CMAKE_BINARY_DIR}/mingw-deps CACHE PATH "Cross-built libcurl and libjpeg-turbo")
if(NOT EXISTS ${KIT_MINGW_DEPS_DIR}/install/.complete OR NOT EXISTS ${KIT_MINGW_DEPS_DIR}/install/include/httplib.h)
  message(STATUS "Making libcurl, libjpeg-turbo and cpp-httplib for ${KIT_MINGW_TRIPLE}; log: ${KIT_MINGW_DEPS_DIR}/build.log")
  file(MAKE_DIRECTORY ${KIT_MINGW_DEPS_DIR})
  execute_process(
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/mingw-deps.sh ${CMAKE_TOOLCHAIN_FILE} ${KIT_MINGW_DEPS_DIR}
    OUTPUT_FILE ${KIT_MINGW_DEPS_DIR}/build.log ERROR_FILE ${KIT_MINGW_DEPS_DIR}/build.log
    RESULT_VARIABLE _kit_deps_rc)
  if(NOT _kit_deps_rc EQUAL 0)
    message(FATAL_ERROR "Making the mingw-w64 libraries failed; see ${KIT_MINGW_DEPS_DIR}/build.log")
  endif()
endif()
list(APPEND CMAKE_FIND_ROOT_PATH ${KIT_MINGW_DEPS_DIR}/install)
find_package(CURL CONFIG REQUIRED)
find_package(libjpeg-turbo CONFIG REQUIRED)

# The bridge's HTTP server and JSON, both header-only: the names the POSIX
# builds get from pkg-config and from nlohmann-json's package. Only the
# nlohmann folder of the system's headers is put on the include path.
add_library(PkgConfig::HTTPLIB INTERFACE IMPORTED GLOBAL)
target_include_directories(PkgConfig::HTTPLIB SYSTEM INTERFACE ${KIT_MINGW_DEPS_DIR}/install/include)
target_link_libraries(PkgConfig::HTTPLIB INTERFACE ws2_32)
find_path(KIT_NLOHMANN_JSON_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(KIT_NLOHMANN_JSON_DIR)
  set(_kit_json_dir ${CMAKE_BINARY_DIR}/nlohmann-json)
  file(MAKE_DIRECTORY ${_kit_json_dir})
  file(CREATE_LINK ${KIT_NLOHMANN_JSON_DIR}/nlohmann ${_kit_json_dir}/nlohmann SYMBOLIC)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${_kit_json_dir})
else()
  message(WARNING "nlohmann/json.hpp not found (Debian package nlohmann-json3-dev): no NotaroBridge.exe")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/Signing.cmake)

# The maker every deliverable names in its version resource.
set(KIT_COMPANY_NAME "澄岚市电子政务办公室")

# What every program and control that ships goes through: the import slot XP
# lacks, a version resource, an Authenticode signature, a copy in the build's
# dist folder, and on i686 a check after linking that it loads on an XP
# desktop and exports what its callers look up.
#   kit_windows_deliverable(target DESCRIPTION text PRODUCT text
#                           [VERSION a.b.c.d] [SELFREG] [WINDOWS10] [EXPORTS name...])
# VERSION defaults to the kit's version; SELFREG marks a control that
# registers itself ("OLESelfRegister"), as installers look for. WINDOWS10
# marks a program for Windows 10 and later only: it ships signed and
# versioned like the rest, without the XP import slot and check.
function(kit_windows_deliverable target)
  cmake_parse_arguments(PARSE_ARGV 1 _kd "SELFREG;WINDOWS10" "DESCRIPTION;PRODUCT;VERSION" "EXPORTS")
  if(NOT _kd_WINDOWS10)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/platform/win32/xp_compat.cpp)
  endif()

  if(NOT _kd_VERSION)
    set(_kd_VERSION ${PROJECT_VERSION}.0)
  endif()
  string(REPLACE "." "," _kd_COMMAS "${_kd_VERSION}")
  get_target_property(_kd_type ${target} TYPE)
  get_target_property(_kd_name ${target} OUTPUT_NAME)
  if(NOT _kd_name)
    set(_kd_name ${target})
  endif()
  get_target_property(_kd_suffix ${target} SUFFIX)
  if(_kd_type STREQUAL "EXECUTABLE")
    set(_kd_TYPE VFT_APP)
    set(_kd_FILE ${_kd_name}.exe)
  else()
    set(_kd_TYPE VFT_DLL)
    set(_kd_FILE ${_kd_name}${_kd_suffix})
  endif()
  set(_kd_INTERNAL ${_kd_name})
  if(_kd_SELFREG)
    set(_kd_SELFREG_LINE "      VALUE \"OLESelfRegister\", \"\\0\"")
  else()
    set(_kd_SELFREG_LINE "")
  endif()
  set(_rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${_rc} @ONLY)
  target_sources(${target} PRIVATE ${_rc})

  kit_sign_after_build(${target} "${_kd_PRODUCT}")
  # Everything that ships lands in one folder with the install scripts.
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/dist
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}>
            ${PROJECT_SOURCE_DIR}/resources/install.bat ${PROJECT_SOURCE_DIR}/resources/uninstall.bat
            ${CMAKE_BINARY_DIR}/dist/
    VERBATIM)
  set_property(GLOBAL APPEND PROPERTY KIT_DELIVERABLES ${target})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT _kd_WINDOWS10)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DFILE=$<TARGET_FILE:${target}>
              "-DEXPORTS=${_kd_EXPORTS}" -P ${PROJECT_SOURCE_DIR}/cmake/check_imports.cmake
      VERBATIM)
  endif()
endfunction()

if(NOT KIT_TESTS)
  return()
endif()

set(KIT_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest and GoogleMock sources")
if(NOT EXISTS ${KIT_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${KIT_GTEST_SOURCE_DIR} (Debian package googletest)")
endif()

set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)

# Our -Wall -Wextra -Werror is for our own code: GoogleTest builds with the
# options its own CMake files give it, with its warnings silenced so they
# neither fail nor clutter our build.
get_directory_property(_kit_saved_compile_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "-w")
add_subdirectory(${KIT_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${_kit_saved_compile_options}")
unset(_kit_saved_compile_options)

# The names find_package(GTest) gives on POSIX. GoogleTest's own CMake files
# already define them as aliases in recent releases.
foreach(_kit_gtest_lib gtest gmock gtest_main)
  if(NOT TARGET GTest::${_kit_gtest_lib})
    add_library(GTest::${_kit_gtest_lib} ALIAS ${_kit_gtest_lib})
  endif()
endforeach()
unset(_kit_gtest_lib)
