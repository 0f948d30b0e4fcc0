# The zip engine: directory reader, name check, the engine through ZE_Exec, and the library.
if(NOT ZM_BUILD_TESTS)
  return()
endif()
zm_library(zm_zipkit SOURCES ${CMAKE_CURRENT_LIST_DIR}/zipkit.cpp LIBS ZLIB::ZLIB)

zm_test(zipformat_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/zipformat_test.cpp
        LIBS zm_zipformat zm_zipkit)
zm_test(entryname_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/entryname_test.cpp ${CMAKE_CURRENT_LIST_DIR}/hostile_names.cpp
        LIBS zm_engine zm_testutil)
zm_resources(entryname_test HOSTILENAMES ${CMAKE_SOURCE_DIR}/tests/data/hostile_names.txt)
zm_test(finalnames_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/finalnames_test.cpp LIBS zm_engine)
zm_test(engine_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_test.cpp ${CMAKE_CURRENT_LIST_DIR}/engine_driver.cpp
        LIBS zm_engine zm_zipkit zm_testutil)
# The library is loaded from the test program's own folder (the only place a Windows test under
# Wine can name without translating paths).
add_dependencies(engine_test ZMEngine190)
target_compile_definitions(engine_test PRIVATE
                           ZM_ENGINE_FILE_NAME="$<TARGET_FILE_NAME:ZMEngine190>")
add_custom_command(TARGET engine_test POST_BUILD
                   COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:ZMEngine190>
                           $<TARGET_FILE_DIR:engine_test>)

if(NOT WIN32)
  # Archives made at test time by other tools (Linux only: the tools are Linux programs).
  zm_test(engine_tools_test
          SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_tools_test.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/engine_driver.cpp
          LIBS zm_engine zm_zipwriter zm_testutil)
endif()

# Hostile archives, with the table of entry names that must never reach the file system.
zm_test(engine_hostile_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_hostile_test.cpp ${CMAKE_CURRENT_LIST_DIR}/engine_driver.cpp
                ${CMAKE_CURRENT_LIST_DIR}/hostile_names.cpp
        LIBS zm_engine zm_zipkit zm_testutil)
zm_resources(engine_hostile_test HOSTILENAMES ${CMAKE_SOURCE_DIR}/tests/data/hostile_names.txt)
