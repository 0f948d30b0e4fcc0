# The installer: extraction thread, wizard page flow and start-up, headless, with the real
# component and the real engine (copied next to each test program).
if(NOT ZM_BUILD_TESTS)
  return()
endif()
zm_library(zm_wizard_testkit SOURCES ${CMAKE_CURRENT_LIST_DIR}/wizard_testkit.cpp
           LIBS zm_wizard zm_zipkit zm_testutil zm_ui_headless_impl)
foreach(t wizard_test wizard_keys_test extractthread_test startup_test unattended_test)
  if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/${t}.cpp)
    zm_test(${t} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}.cpp
            LIBS zm_startup zm_wizard_testkit zm_ui_headless)
    add_dependencies(${t} ZMEngine190)
    add_custom_command(TARGET ${t} POST_BUILD
                       COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:ZMEngine190>
                               $<TARGET_FILE_DIR:${t}>)
    zm_wizard_resources(${t})
  endif()
endforeach()

# The extraction session's rules, and the installer's thread beside zmpack on the hostile names.
if(TARGET zm_zmpack_core)
  zm_test(extraction_session_test
          SOURCES ${CMAKE_CURRENT_LIST_DIR}/extraction_session_test.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/hostile_names.cpp
          LIBS zm_zmpack_core zm_extract zm_wizard_testkit zm_ui_headless)
  add_dependencies(extraction_session_test ZMEngine190)
  add_custom_command(TARGET extraction_session_test POST_BUILD
                     COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:ZMEngine190>
                             $<TARGET_FILE_DIR:extraction_session_test>)
  # zmpack's runs load the engine from the resource zmpack carries.
  zm_wizard_resources(extraction_session_test
                      HOSTILENAMES ${CMAKE_SOURCE_DIR}/tests/data/hostile_names.txt
                      ZEResDll19 ${ZM_ENGINE_RESOURCE})
  add_dependencies(extraction_session_test zm_engine_resource)
endif()

# The outside driver of the installer's windows for the Wine end-to-end runs.
if(WIN32)
  add_executable(wizard_driver ${CMAKE_SOURCE_DIR}/tests/win/wizard_driver.cpp)
  zm_defaults(wizard_driver)
  target_link_libraries(wizard_driver PRIVATE user32 comctl32 shell32)
endif()
