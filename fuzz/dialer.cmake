# The dialer's readers of outside data: registry values read back (the
# scrambled credentials and the settings loader) and the POSIX registry
# store's file format. The dialer sources are compiled again with coverage.
set(_kit_dialer_fuzz_sources)
foreach(_lib kit_dialer kit_dialer_platform)
  if(NOT TARGET ${_lib})
    continue()
  endif()
  get_target_property(_src ${_lib} SOURCES)
  get_target_property(_dir ${_lib} SOURCE_DIR)
  foreach(_s IN LISTS _src)
    if(IS_ABSOLUTE ${_s})
      list(APPEND _kit_dialer_fuzz_sources ${_s})
    else()
      list(APPEND _kit_dialer_fuzz_sources ${_dir}/${_s})
    endif()
  endforeach()
endforeach()
add_library(kit_fuzz_dialer STATIC ${_kit_dialer_fuzz_sources})
target_include_directories(kit_fuzz_dialer PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(kit_fuzz_dialer PRIVATE -fsanitize=fuzzer-no-link)
target_link_libraries(kit_fuzz_dialer PUBLIC kit_fuzz_core)

# Seeds written at configure time: a scrambled value and a small store.
set(_seeds ${KIT_FUZZ_DIR}/seeds)
file(MAKE_DIRECTORY ${_seeds}/fuzz_dialer_settings ${_seeds}/fuzz_registry_store
     ${KIT_FUZZ_DIR}/corpus/fuzz_dialer_settings ${KIT_FUZZ_DIR}/corpus/fuzz_registry_store)
# (CMake strings hold no NUL; the fuzzer finds the length fields itself.)
string(ASCII 1 _type_sz)
string(ASCII 2 _type_expand)
file(WRITE ${_seeds}/fuzz_dialer_settings/ascii "${_type_sz}qb66")
file(WRITE ${_seeds}/fuzz_dialer_settings/text "${_type_expand}zs~!pw")
file(WRITE ${_seeds}/fuzz_registry_store/store "KITREG1\nK")

foreach(_t fuzz_dialer_settings fuzz_registry_store)
  add_executable(${_t} ${_t}.cpp)
  target_compile_options(${_t} PRIVATE -fsanitize=fuzzer)
  target_link_options(${_t} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${_t} PRIVATE kit_fuzz_dialer)
  add_test(NAME ${_t}
    COMMAND ${_t}
      -max_total_time=${KIT_FUZZ_SECONDS} -rss_limit_mb=2048 -timeout=20 -max_len=8192
      -print_final_stats=1 -artifact_prefix=${KIT_FUZZ_DIR}/artifacts/${_t}/
      ${KIT_FUZZ_DIR}/corpus/${_t} ${_seeds}/${_t})
  set_tests_properties(${_t} PROPERTIES TIMEOUT 300)
  file(MAKE_DIRECTORY ${KIT_FUZZ_DIR}/artifacts/${_t})
endforeach()
