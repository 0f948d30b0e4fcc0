zm_test(config_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/config_test.cpp LIBS zm_config zm_testutil)
