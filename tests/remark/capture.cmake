add_library(kit_word_standin STATIC ${PROJECT_SOURCE_DIR}/tests/support/word_standin.cpp)
target_link_libraries(kit_word_standin PUBLIC kit_ports)
target_include_directories(kit_word_standin PUBLIC ${PROJECT_SOURCE_DIR})
if(NOT WIN32)
  # What a POSIX host offers page scripts in place of Word and WPS.
  add_library(kit_word_standin_host STATIC ${PROJECT_SOURCE_DIR}/tests/support/standin_host.cpp)
  target_link_libraries(kit_word_standin_host PUBLIC kit_word_standin kit_capture_platform)
endif()

kit_add_test(remark_capture_test
  SOURCES page_capture_test.cpp emf_bitblt_test.cpp
  LIBS kit_remark kit_platform kit_word_standin)

kit_add_test(word_access_test
  SOURCES word_access_test.cpp
  LIBS kit_word kit_platform kit_word_standin)
