# LZMA and solid entries: zmpack's writer against the engine, and hostile chains.
zm_test(solid_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/solid_test.cpp ${CMAKE_CURRENT_LIST_DIR}/engine_driver.cpp
                ${CMAKE_CURRENT_LIST_DIR}/solidkit.cpp
        LIBS zm_engine zm_zipwriter zm_zipkit zm_testutil zm_lzma ZLIB::ZLIB)
