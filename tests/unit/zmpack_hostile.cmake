# zmpack as a program (natively: the tests start it as a child process) against hostile packages:
# the hostile name table, archives built to exhaust memory, a destination that fills up.
if(NOT ZM_BUILD_TESTS OR NOT TARGET zmpack OR WIN32)
  return()
endif()
zm_test(zmpack_hostile_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/zmpack_hostile_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/hostile_names.cpp ${CMAKE_CURRENT_LIST_DIR}/childrun_posix.cpp
                ${CMAKE_CURRENT_LIST_DIR}/solidkit.cpp
        LIBS zm_package zm_zipkit zm_testutil zm_lzma ZLIB::ZLIB)
zm_resources(zmpack_hostile_test HOSTILENAMES ${CMAKE_SOURCE_DIR}/tests/data/hostile_names.txt)
# Under the sanitizers memory is theirs to use: the peak is shown, not held to the limit.
if(ZM_SANITIZE)
  set(zm_peak_limited 0)
else()
  set(zm_peak_limited 1)
endif()
target_compile_definitions(zmpack_hostile_test PRIVATE ZM_ZMPACK_PATH="$<TARGET_FILE:zmpack>"
                                                       ZM_PEAK_LIMITED=${zm_peak_limited})
add_dependencies(zmpack_hostile_test zmpack)

add_test(NAME zmpack_diskfull COMMAND ${CMAKE_CURRENT_LIST_DIR}/diskfull_test.sh $<TARGET_FILE:zmpack>)
set_tests_properties(zmpack_diskfull PROPERTIES TIMEOUT 120)
