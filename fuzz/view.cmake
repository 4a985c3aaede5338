# The metafile player of the POSIX canvas, which plays every page picture a
# remark file carries; the canvas is compiled again with coverage.
kit_fuzz_library(kit_fuzz_view kit_emf_player kit_view_platform)
if(TARGET kit_fuzz_view)
  target_link_libraries(kit_fuzz_view PUBLIC PkgConfig::CAIRO)
  kit_fuzz_target(fuzz_emf_player fuzz_emf_player.cpp kit_fuzz_view 65536 kit_fuzz_seeds)
endif()
