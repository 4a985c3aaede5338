# Windows cannot be made under wine without a graphics driver; this test runs
# in a prefix of its own that uses wine's null driver (windows exist, nothing
# shows), leaving the shared prefix as other tests expect it.
if(WIN32)
  add_executable(win32_ui_test ${CMAKE_CURRENT_LIST_DIR}/win32_ui_test.cpp)
  target_link_libraries(win32_ui_test PRIVATE kit_ui_platform kit_platform comctl32 GTest::gtest GTest::gtest_main)
  target_include_directories(win32_ui_test PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME win32_ui_test
    COMMAND ${CMAKE_COMMAND} -DWINE_RUN=${KIT_WINE_RUN}
      -DPREFIX=${CMAKE_BINARY_DIR}/wineprefix-gui "-DPROGRAM=$<TARGET_FILE:win32_ui_test>"
      -P ${CMAKE_CURRENT_LIST_DIR}/../wine_null_graphics.cmake)
  set_tests_properties(win32_ui_test PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine_gui)
endif()
