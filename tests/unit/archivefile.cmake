# The package object over packages written by the container writer.
if(NOT ZM_BUILD_TESTS)
  return()
endif()
zm_test(archivefile_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/archivefile_test.cpp
        LIBS zm_archivefile zm_zipkit zm_testutil)
