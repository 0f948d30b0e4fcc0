# zmpack's list, verify and extract, run in-process against packages its create writes; the
# engine comes from the same resource zmpack carries.
if(NOT ZM_BUILD_TESTS OR NOT TARGET zm_zmpack_core)
  return()
endif()
zm_test(zmpack_extract_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/zmpack_extract_test.cpp
        LIBS zm_zmpack_core zm_zipkit zm_testutil)
zm_resources(zmpack_extract_test LANGPACK ${CMAKE_SOURCE_DIR}/lang/packs/languages.xml
             ZEResDll19 ${ZM_ENGINE_RESOURCE})
add_dependencies(zmpack_extract_test zm_engine_resource)

# Signing goes through osslsigncode, a Linux program: natively only (the Windows build's share is
# the signed package verified by zmpack.exe and installed end to end in tests/win).
if(NOT WIN32)
  zm_test(zmpack_sign_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/zmpack_sign_test.cpp
          LIBS zm_zmpack_core zm_testutil)
  zm_resources(zmpack_sign_test LANGPACK ${CMAKE_SOURCE_DIR}/lang/packs/languages.xml
               ZEResDll19 ${ZM_ENGINE_RESOURCE})
  add_dependencies(zmpack_sign_test zm_engine_resource)
endif()
