zm_test(zipwriter_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/zipwriter_test.cpp ${CMAKE_CURRENT_LIST_DIR}/zipwriter_scan.cpp
  LIBS zm_zipwriter zm_testutil ZLIB::ZLIB)
