# The document exchange's readers of outside data: page text through the
# form processing's string helpers and file names a page passes. The exchange
# sources are compiled again with coverage.
kit_fuzz_library(kit_fuzz_exchange kit_exchange)
if(TARGET kit_fuzz_exchange)
  # Seeds written at configure time: the callers' own rules.
  set(_seeds ${KIT_FUZZ_DIR}/seeds)
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

  kit_fuzz_target(fuzz_text_helpers fuzz_text_helpers.cpp kit_fuzz_exchange 8192)
endif()
