zm_test(lang_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/lang_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/lang_dialog_test.cpp LIBS zm_lang zm_ui_headless zm_testutil)
if(TARGET lang_test)
  zm_resources(lang_test LANGPACK ${CMAKE_SOURCE_DIR}/lang/packs/languages.xml)
endif()
