kit_add_test(remark_view_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/remark_view_test.cpp ${CMAKE_CURRENT_LIST_DIR}/dc_mapping_test.cpp
  LIBS kit_remark kit_platform)
