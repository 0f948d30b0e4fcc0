# The package object over packages written by the container writer.
if(NOT ZM_BUILD_TESTS)
  return()
endif()
zm_test(archivefile_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/archivefile_test.cpp
        LIBS zm_archivefile zm_zipkit zm_testutil)

# The contents check of signed packages; signing goes through openssl and osslsigncode, Linux
# programs: natively only (the Windows build's share is setup_install_signed in tests/win).
if(NOT WIN32)
  zm_library(zm_signkit SOURCES ${CMAKE_CURRENT_LIST_DIR}/signkit.cpp)
  zm_test(archivefile_signed_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/archivefile_signed_test.cpp
          LIBS zm_archivefile zm_signkit zm_zipkit zm_testutil)
endif()
