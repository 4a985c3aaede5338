# Tests of apps/remark-tool.
kit_add_test(remark_tool_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/remark_tool_test.cpp LIBS remark_tool_lib kit_platform)
