# The dialer's readers of outside data: registry values read back (the
# scrambled credentials and the settings loader) and the POSIX registry
# store's file format (sim/). The dialer sources are compiled again with coverage.
kit_fuzz_library(kit_fuzz_dialer kit_dialer kit_sim_registry)

# Seeds written at configure time: a scrambled value and a small store.
set(_seeds ${KIT_FUZZ_DIR}/seeds)
# (CMake strings hold no NUL; the fuzzer finds the length fields itself.)
string(ASCII 1 _type_sz)
string(ASCII 2 _type_expand)
file(WRITE ${_seeds}/fuzz_dialer_settings/ascii "${_type_sz}qb66")
file(WRITE ${_seeds}/fuzz_dialer_settings/text "${_type_expand}zs~!pw")
file(WRITE ${_seeds}/fuzz_registry_store/store "KITREG1\nK")

foreach(_t fuzz_dialer_settings fuzz_registry_store)
  kit_fuzz_target(${_t} ${_t}.cpp kit_fuzz_dialer 8192)
endforeach()
