# The zip component, driving the real engine library (copied next to the test program).
if(NOT ZM_BUILD_TESTS)
  return()
endif()
zm_test(zipper_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/zipper_test.cpp
        LIBS zm_zipper zm_zipkit zm_testutil)
add_dependencies(zipper_test ZMEngine190)
add_custom_command(TARGET zipper_test POST_BUILD
                   COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:ZMEngine190>
                           $<TARGET_FILE_DIR:zipper_test>)
