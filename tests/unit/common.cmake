zm_test(common_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/common_test.cpp LIBS zm_common zm_testutil)
if(TARGET common_test)
  target_compile_definitions(common_test PRIVATE "ZM_TEST_ABUSE_URL=\"${ZM_ABUSE_URL}\"")
endif()
