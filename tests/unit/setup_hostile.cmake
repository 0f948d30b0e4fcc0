# setup.exe under Wine against hostile and damaged packages and destinations that refuse writes
# (tests/win/setup_hostile.sh, driven through the wizard driver like the other setup.exe runs).
if(NOT ZM_BUILD_TESTS OR NOT WIN32 OR NOT CMAKE_CROSSCOMPILING)
  return()
endif()
add_test(NAME setup_hostile
         COMMAND ${CMAKE_SOURCE_DIR}/tests/win/setup_hostile.sh ${CMAKE_SOURCE_DIR}/scripts/wine-run
                 $<TARGET_FILE:wizard_driver> $<TARGET_FILE:zmpack> $<TARGET_FILE:setup>
                 $<TARGET_FILE:sample_app> ${CMAKE_SOURCE_DIR}/tests/data/hostile_names.txt
                 ${CMAKE_BINARY_DIR}/wine-tests)
set_tests_properties(setup_hostile PROPERTIES TIMEOUT 600 RESOURCE_LOCK zm_display
                     ENVIRONMENT "${ZM_WINE_ENV}")
