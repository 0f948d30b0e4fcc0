zm_test(platform_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/platform_test.cpp LIBS zm_platform zm_testutil)
