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
          LIBS zm_zmpack_core zm_signkit zm_testutil)
  zm_resources(zmpack_sign_test LANGPACK ${CMAKE_SOURCE_DIR}/lang/packs/languages.xml
               ZEResDll19 ${ZM_ENGINE_RESOURCE})
  add_dependencies(zmpack_sign_test zm_engine_resource)
endif()

# Branded packages on the real stubs (the i686 and x86-64 setup.exe of the sibling Windows
# builds, which make test builds first; without them those cases are skipped, unless
# ZM_REQUIRE_STUBS is set), read back by zmpack's own PE reader, icoutils and osslsigncode.
if(NOT WIN32)
  zm_test(zmpack_brand_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/zmpack_brand_test.cpp
          LIBS zm_zmpack_core zm_signkit zm_testutil)
  zm_resources(zmpack_brand_test LANGPACK ${CMAKE_SOURCE_DIR}/lang/packs/languages.xml
               ZEResDll19 ${ZM_ENGINE_RESOURCE})
  add_dependencies(zmpack_brand_test zm_engine_resource)
  get_filename_component(zm_brand_root ${CMAKE_BINARY_DIR} DIRECTORY)
  if(DEFINED CACHE{ZM_WIN32_BUILD_DIR})
    set(zm_brand_win32 $CACHE{ZM_WIN32_BUILD_DIR})
    set(zm_brand_win64 $CACHE{ZM_WIN64_BUILD_DIR})
  else()
    set(zm_brand_win32 ${zm_brand_root}/win32)
    set(zm_brand_win64 ${zm_brand_root}/win64)
  endif()
  set_tests_properties(zmpack_brand_test PROPERTIES ENVIRONMENT
    "ZM_STUB32=${zm_brand_win32}/app/setup.exe;ZM_STUB64=${zm_brand_win64}/app/setup.exe")
endif()
