# The remark window against the headless window system.
if(TARGET kit_headless_ui)
  kit_add_test(remark_frame_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/remark_frame_test.cpp
    LIBS kit_remark kit_headless_ui kit_platform)
endif()
