# The document exchange's readers of outside data: page text through the
# form processing's string helpers and file names a page passes. The exchange
# sources are compiled again with coverage.
set(_kit_exchange_fuzz_sources)
foreach(_lib kit_exchange)
  if(NOT TARGET ${_lib})
    continue()
  endif()
  get_target_property(_src ${_lib} SOURCES)
  get_target_property(_dir ${_lib} SOURCE_DIR)
  foreach(_s IN LISTS _src)
    if(IS_ABSOLUTE ${_s})
      list(APPEND _kit_exchange_fuzz_sources ${_s})
    else()
      list(APPEND _kit_exchange_fuzz_sources ${_dir}/${_s})
    endif()
  endforeach()
endforeach()
if(_kit_exchange_fuzz_sources)
  add_library(kit_fuzz_exchange STATIC ${_kit_exchange_fuzz_sources})
  target_include_directories(kit_fuzz_exchange PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(kit_fuzz_exchange PRIVATE -fsanitize=fuzzer-no-link)
  target_link_libraries(kit_fuzz_exchange PUBLIC kit_fuzz_core)

  # Seeds written at configure time: the callers' own rules.
  set(_seeds ${KIT_FUZZ_DIR}/seeds)
  file(MAKE_DIRECTORY ${_seeds}/fuzz_text_helpers ${KIT_FUZZ_DIR}/corpus/fuzz_text_helpers)
  # (The two length bytes as characters; CMake strings hold no NUL, so the
  # second one is 8, which the harness takes as 0.)
  string(ASCII 1 _one)
  string(ASCII 2 _two)
  string(ASCII 4 _four)
  string(ASCII 5 _five)
  string(ASCII 8 _none)
  file(WRITE ${_seeds}/fuzz_text_helpers/scheme "${_five}${_four}httpshttp<a href=\"https://x/\">HTTPS</a>")
  file(WRITE ${_seeds}/fuzz_text_helpers/tag "${_one}${_none}><input name=\"f\" value=\"1\">")
  file(WRITE ${_seeds}/fuzz_text_helpers/grow "${_one}${_two}aaab-a-")

  foreach(_t fuzz_text_helpers)
    add_executable(${_t} ${_t}.cpp)
    target_compile_options(${_t} PRIVATE -fsanitize=fuzzer)
    target_link_options(${_t} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${_t} PRIVATE kit_fuzz_exchange)
    add_test(NAME ${_t}
      COMMAND ${_t}
        -max_total_time=${KIT_FUZZ_SECONDS} -rss_limit_mb=2048 -timeout=20 -max_len=8192
        -print_final_stats=1 -artifact_prefix=${KIT_FUZZ_DIR}/artifacts/${_t}/
        ${KIT_FUZZ_DIR}/corpus/${_t} ${_seeds}/${_t})
    set_tests_properties(${_t} PROPERTIES TIMEOUT 300)
    file(MAKE_DIRECTORY ${KIT_FUZZ_DIR}/artifacts/${_t})
  endforeach()
endif()
