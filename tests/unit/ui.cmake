zm_test(ui_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ui_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ui_thread_test.cpp ${CMAKE_CURRENT_LIST_DIR}/ui_bitmap_test.cpp
        LIBS zm_ui_headless zm_testutil)
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/../win/win.cmake)
endif()
