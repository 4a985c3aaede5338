# The memory screen and the PDF printer; the printed pages are read back with
# poppler.
if(TARGET kit_cairo_screen)
  pkg_check_modules(KIT_TEST_POPPLER IMPORTED_TARGET poppler-cpp)
  if(KIT_TEST_POPPLER_FOUND)
    kit_add_test(cairo_screen_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/cairo_screen_test.cpp
      LIBS kit_cairo_screen kit_remark kit_platform PkgConfig::KIT_TEST_POPPLER)
  endif()
endif()
