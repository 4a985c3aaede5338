if(TARGET kit_headless_ui)
  kit_add_test(headless_ui_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/headless_ui_test.cpp LIBS kit_headless_ui)
endif()
