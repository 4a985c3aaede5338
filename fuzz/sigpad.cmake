# The pad's reader of outside data: bitmap files read into a DIB. The pad's
# core is compiled again with coverage.
if(NOT TARGET kit_sigpad)
  return()
endif()
set(_kit_sigpad_fuzz_sources)
get_target_property(_src kit_sigpad SOURCES)
get_target_property(_dir kit_sigpad SOURCE_DIR)
foreach(_s IN LISTS _src)
  if(IS_ABSOLUTE ${_s})
    list(APPEND _kit_sigpad_fuzz_sources ${_s})
  else()
    list(APPEND _kit_sigpad_fuzz_sources ${_dir}/${_s})
  endif()
endforeach()
add_library(kit_fuzz_sigpad STATIC ${_kit_sigpad_fuzz_sources})
target_include_directories(kit_fuzz_sigpad PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(kit_fuzz_sigpad PRIVATE -fsanitize=fuzzer-no-link)
target_link_libraries(kit_fuzz_sigpad PUBLIC kit_fuzz_core)

# Seeds, written when the tests run: whole bitmap files of a few sizes.
set(_seeds ${KIT_FUZZ_DIR}/seeds)
file(MAKE_DIRECTORY ${_seeds}/fuzz_sigpad_bmp ${KIT_FUZZ_DIR}/corpus/fuzz_sigpad_bmp)
add_executable(fuzz_make_sigpad_seeds ${PROJECT_SOURCE_DIR}/sigpad/fuzz/make_sigpad_seeds.cpp)
target_link_libraries(fuzz_make_sigpad_seeds PRIVATE kit_sigpad)
add_test(NAME fuzz_sigpad_seeds COMMAND fuzz_make_sigpad_seeds ${_seeds}/fuzz_sigpad_bmp)
set_tests_properties(fuzz_sigpad_seeds PROPERTIES FIXTURES_SETUP kit_fuzz_sigpad_seeds)

foreach(_t fuzz_sigpad_bmp)
  add_executable(${_t} ${PROJECT_SOURCE_DIR}/sigpad/fuzz/${_t}.cpp)
  target_compile_options(${_t} PRIVATE -fsanitize=fuzzer)
  target_link_options(${_t} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${_t} PRIVATE kit_fuzz_sigpad)
  add_test(NAME ${_t}
    COMMAND ${_t}
      -max_total_time=${KIT_FUZZ_SECONDS} -rss_limit_mb=2048 -timeout=20 -max_len=8192
      -print_final_stats=1 -artifact_prefix=${KIT_FUZZ_DIR}/artifacts/${_t}/
      ${KIT_FUZZ_DIR}/corpus/${_t} ${_seeds}/${_t})
  set_tests_properties(${_t} PROPERTIES FIXTURES_REQUIRED kit_fuzz_sigpad_seeds TIMEOUT 300)
  file(MAKE_DIRECTORY ${KIT_FUZZ_DIR}/artifacts/${_t})
endforeach()
