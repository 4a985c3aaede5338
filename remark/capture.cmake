target_sources(kit_remark PRIVATE ${CMAKE_CURRENT_LIST_DIR}/page_capture.cpp)
# The automation client, clipboard and cursor of the host platform.
target_link_libraries(kit_remark PUBLIC kit_capture_platform)
