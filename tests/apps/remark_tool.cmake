# Tests of apps/remark-tool.
kit_add_test(remark_tool_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/remark_tool_test.cpp LIBS remark_tool_lib kit_platform)
target_compile_definitions(remark_tool_test PRIVATE KIT_GOLDEN_DIR="${CMAKE_CURRENT_LIST_DIR}/golden")
if(TARGET kit_view_platform)
  # Printed pages are read back with poppler.
  pkg_check_modules(KIT_RENDER_TEST_POPPLER REQUIRED IMPORTED_TARGET poppler-cpp)
  kit_add_test(remark_render_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/remark_render_test.cpp
    LIBS remark_tool_lib kit_platform PkgConfig::KIT_RENDER_TEST_POPPLER)
  target_compile_definitions(remark_render_test PRIVATE KIT_GOLDEN_DIR="${CMAKE_CURRENT_LIST_DIR}/golden")
endif()
