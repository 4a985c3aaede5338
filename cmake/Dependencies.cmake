# Third-party libraries, all from Debian's packages. The mingw builds compile
# GoogleTest from the sources the googletest package installs.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/Win32.cmake)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(DUKTAPE REQUIRED IMPORTED_TARGET duktape)
  find_package(CURL REQUIRED)
  # The office server stand-in the transfer tests and the demo talk to.
  pkg_check_modules(HTTPLIB IMPORTED_TARGET cpp-httplib)
  # The bridge's requests and answers.
  find_package(nlohmann_json 3 QUIET)
  if(KIT_TESTS)
    find_package(GTest REQUIRED)
  endif()
  if(KIT_BENCH)
    find_package(benchmark REQUIRED)
  endif()
endif()
