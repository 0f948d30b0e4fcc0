add_executable(verify_bench ${CMAKE_CURRENT_LIST_DIR}/verify_bench.cpp)
zm_defaults(verify_bench)
target_link_libraries(verify_bench PRIVATE zm_archivefile zm_package zm_platform ZLIB::ZLIB)
