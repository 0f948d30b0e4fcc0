zm_test(messages_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/messages_test.cpp LIBS zm_zip zm_testutil)
