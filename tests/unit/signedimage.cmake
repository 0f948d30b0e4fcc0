# Where the archive ends in a signed program (engine/signedimage.cpp), in memory and through
# FileSource.
if(NOT ZM_BUILD_TESTS)
  return()
endif()
zm_test(signedimage_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/signedimage_test.cpp
        LIBS zm_zipformat zm_zipkit zm_testutil)
