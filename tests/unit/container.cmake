zm_test(container_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/container_test.cpp
        LIBS zm_package zm_testutil ZLIB::ZLIB)
