# engine_bench: one archive extracted by the engine, timed (a program, not a test).
add_executable(engine_bench ${CMAKE_CURRENT_LIST_DIR}/engine_bench.cpp)
zm_defaults(engine_bench)
target_link_libraries(engine_bench PRIVATE zm_engine)
