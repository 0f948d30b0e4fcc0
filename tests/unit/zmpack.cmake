# zmpack's commands run in-process; the black-box runs below go through the real program (under
# Wine for the Windows build).
zm_test(zmpack_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/zmpack_test.cpp ${CMAKE_CURRENT_LIST_DIR}/zipwriter_scan.cpp
  LIBS zm_zmpack_core zm_testutil ZLIB::ZLIB)
if(ZM_BUILD_TESTS AND TARGET zmpack)
  add_test(NAME zmpack_help COMMAND zmpack --help)
  set_tests_properties(zmpack_help PROPERTIES PASS_REGULAR_EXPRESSION "create.*info")
  add_test(NAME zmpack_version COMMAND zmpack --version)
  set_tests_properties(zmpack_version PROPERTIES PASS_REGULAR_EXPRESSION "zmpack ${PROJECT_VERSION}")
  add_test(NAME zmpack_usage_error COMMAND zmpack create)
  set_tests_properties(zmpack_usage_error PROPERTIES WILL_FAIL TRUE)
endif()
