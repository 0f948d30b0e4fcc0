zm_test(containerwriter_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/containerwriter_test.cpp
        LIBS zm_package zm_testutil)
