# Windows-only test programs: they run under Wine with a display (the test target runs ctest
# inside xvfb-run). The driver library and tool are meant for every window test of the product.
if(NOT ZM_BUILD_TESTS)
  return()
endif()
set(zm_win_dir ${CMAKE_CURRENT_LIST_DIR})
zm_library(zm_uidriver SOURCES ${zm_win_dir}/uidriver.cpp LIBS user32)
add_executable(uidriver ${zm_win_dir}/uidriver_main.cpp)
zm_defaults(uidriver)
target_link_libraries(uidriver PRIVATE zm_uidriver shell32)

zm_test(ui_win32_test SOURCES ${zm_win_dir}/ui_win32_test.cpp
        LIBS zm_lang zm_ui zm_uidriver zm_testutil)
# Tests that show windows take turns on the one display: a driver must never find another test's
# window, and a screenshot must show only its own.
set_tests_properties(ui_win32_test PROPERTIES RESOURCE_LOCK zm_display)
zm_resources(ui_win32_test LANGPACK ${CMAKE_SOURCE_DIR}/lang/packs/languages.xml)

add_executable(ui_demo ${zm_win_dir}/ui_demo.cpp)
zm_defaults(ui_demo)
target_link_libraries(ui_demo PRIVATE zm_lang zm_ui)
zm_resources(ui_demo LANGPACK ${CMAKE_SOURCE_DIR}/lang/packs/languages.xml)

if(CMAKE_CROSSCOMPILING)
  add_test(NAME lang_chooser_shot
           COMMAND ${zm_win_dir}/lang_chooser_shot.sh
                   ${CMAKE_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:ui_demo>
                   $<TARGET_FILE:uidriver> ${CMAKE_BINARY_DIR}/lang_chooser.png)
  set_tests_properties(lang_chooser_shot PROPERTIES TIMEOUT 300 RESOURCE_LOCK zm_display
                       ENVIRONMENT "ZM_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
  add_test(NAME ui_demo_shots
           COMMAND ${zm_win_dir}/ui_demo_shots.sh ${CMAKE_SOURCE_DIR}/scripts/wine-run
                   $<TARGET_FILE:ui_demo> $<TARGET_FILE:uidriver> ${CMAKE_BINARY_DIR})
  set_tests_properties(ui_demo_shots PROPERTIES TIMEOUT 300 RESOURCE_LOCK zm_display
                       ENVIRONMENT "ZM_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
endif()
