# Windows (mingw-w64) builds: GoogleTest compiled from Debian's sources, and
# the 64-bit tests run under wine64 through scripts/wine-run.

# ctest (and any build step that runs a built tool) runs the 64-bit .exe files
# under wine64, in a wine prefix of the build folder's own. The i686 build is
# built only: running it would need 32-bit wine.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KIT_WINE64 /usr/lib/wine/wine64 CACHE FILEPATH "wine64 loader the tests run under")
  if(NOT EXISTS ${KIT_WINE64})
    message(WARNING "${KIT_WINE64} not found (Debian package wine64): the tests will not run")
  endif()
  # Through sh, so the script need not carry an executable bit.
  set(CMAKE_CROSSCOMPILING_EMULATOR
      /bin/sh ${PROJECT_SOURCE_DIR}/scripts/wine-run
      --wine ${KIT_WINE64} --prefix ${CMAKE_BINARY_DIR}/wineprefix)
endif()

# libcurl and libjpeg-turbo have no mingw-w64 package: built once per build
# folder from Debian's source packages, linked statically.
set(KIT_MINGW_DEPS_DIR ${CMAKE_BINARY_DIR}/mingw-deps CACHE PATH "Cross-built libcurl and libjpeg-turbo")
if(NOT EXISTS ${KIT_MINGW_DEPS_DIR}/install/.complete)
  message(STATUS "Building libcurl and libjpeg-turbo for ${KIT_MINGW_TRIPLE}; log: ${KIT_MINGW_DEPS_DIR}/build.log")
  file(MAKE_DIRECTORY ${KIT_MINGW_DEPS_DIR})
  execute_process(
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/mingw-deps.sh ${CMAKE_TOOLCHAIN_FILE} ${KIT_MINGW_DEPS_DIR}
    OUTPUT_FILE ${KIT_MINGW_DEPS_DIR}/build.log ERROR_FILE ${KIT_MINGW_DEPS_DIR}/build.log
    RESULT_VARIABLE _kit_deps_rc)
  if(NOT _kit_deps_rc EQUAL 0)
    message(FATAL_ERROR "Building libcurl and libjpeg-turbo failed; see ${KIT_MINGW_DEPS_DIR}/build.log")
  endif()
endif()
list(APPEND CMAKE_FIND_ROOT_PATH ${KIT_MINGW_DEPS_DIR}/install)
find_package(CURL CONFIG REQUIRED)
find_package(libjpeg-turbo CONFIG REQUIRED)

# What every program and control that ships goes through: the import slot XP
# lacks, a copy in the build's dist folder, and on i686 a check after linking
# that it loads on an XP desktop and exports what its callers look up.
#   kit_windows_deliverable(target [EXPORTS name...])
function(kit_windows_deliverable target)
  cmake_parse_arguments(PARSE_ARGV 1 _kd "" "" "EXPORTS")
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/platform/win32/xp_compat.cpp)
  # Everything that ships lands in one folder with the install scripts.
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/dist
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}>
            ${PROJECT_SOURCE_DIR}/resources/install.bat ${PROJECT_SOURCE_DIR}/resources/uninstall.bat
            ${CMAKE_BINARY_DIR}/dist/
    VERBATIM)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
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
