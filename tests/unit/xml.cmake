zm_test(xml_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/xml_test.cpp LIBS zm_xml zm_testutil)
