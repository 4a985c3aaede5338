add_library(kit_word_standin STATIC ${PROJECT_SOURCE_DIR}/tests/support/word_standin.cpp)
target_link_libraries(kit_word_standin PUBLIC kit_ports)
target_include_directories(kit_word_standin PUBLIC ${PROJECT_SOURCE_DIR})

kit_add_test(remark_capture_test
  SOURCES page_capture_test.cpp emf_bitblt_test.cpp
  LIBS kit_remark kit_platform kit_word_standin)

kit_add_test(word_access_test
  SOURCES word_access_test.cpp
  LIBS kit_word kit_platform kit_word_standin)
