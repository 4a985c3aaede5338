# The pad's reader of outside data: bitmap files read into a DIB. The pad's
# core is compiled again with coverage.
if(NOT TARGET kit_sigpad)
  return()
endif()
kit_fuzz_library(kit_fuzz_sigpad kit_sigpad)

# Seeds, written when the tests run: whole bitmap files of a few sizes.
set(_seeds ${KIT_FUZZ_DIR}/seeds)
add_executable(fuzz_make_sigpad_seeds ${PROJECT_SOURCE_DIR}/sigpad/fuzz/make_sigpad_seeds.cpp)
target_link_libraries(fuzz_make_sigpad_seeds PRIVATE kit_sigpad)
add_test(NAME fuzz_sigpad_seeds COMMAND fuzz_make_sigpad_seeds ${_seeds}/fuzz_sigpad_bmp)
set_tests_properties(fuzz_sigpad_seeds PROPERTIES FIXTURES_SETUP kit_fuzz_sigpad_seeds)

kit_fuzz_target(fuzz_sigpad_bmp ${PROJECT_SOURCE_DIR}/sigpad/fuzz/fuzz_sigpad_bmp.cpp kit_fuzz_sigpad 8192
                kit_fuzz_sigpad_seeds)
