kit_add_test(remark_capture_test
  SOURCES page_capture_test.cpp emf_bitblt_test.cpp
  LIBS kit_remark kit_platform kit_word_standin)

kit_add_test(word_access_test
  SOURCES word_access_test.cpp
  LIBS kit_word kit_platform kit_word_standin)
