# Tests of apps/remark-tool.
kit_add_test(remark_tool_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/remark_tool_test.cpp LIBS remark_tool_lib kit_platform)
if(TARGET kit_view_platform)
  kit_add_test(remark_render_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/remark_render_test.cpp LIBS remark_tool_lib kit_platform)
endif()
