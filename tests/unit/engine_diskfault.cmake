# The engine when the destination refuses writes. The read-only folder is made from outside the
# test program (tests/unit/readonly_dest.sh), natively and for the Windows build under Wine.
if(NOT ZM_BUILD_TESTS)
  return()
endif()
zm_test(engine_diskfault_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_diskfault_test.cpp ${CMAKE_CURRENT_LIST_DIR}/engine_driver.cpp
        LIBS zm_engine zm_zipkit zm_testutil)
if(NOT WIN32)
  add_test(NAME engine_diskfault_readonly
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/readonly_dest.sh $<TARGET_FILE:engine_diskfault_test>)
elseif(CMAKE_CROSSCOMPILING)
  add_test(NAME engine_diskfault_readonly
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/readonly_dest.sh --wine
                   ${CMAKE_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:engine_diskfault_test>)
  set_tests_properties(engine_diskfault_readonly PROPERTIES
                       ENVIRONMENT "${ZM_WINE_ENV}")
endif()
if(TEST engine_diskfault_readonly)
  set_tests_properties(engine_diskfault_readonly PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
