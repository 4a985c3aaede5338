target_sources(kit_remark PRIVATE ${CMAKE_CURRENT_LIST_DIR}/remark_frame.cpp)
