# Truncation and byte-flip sweeps over reference packages through zmpack's verify and extract,
# in-process. Natively only: tens of thousands of runs.
if(NOT ZM_BUILD_TESTS OR NOT TARGET zm_zmpack_core OR WIN32)
  return()
endif()
zm_test(zmpack_sweep_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/zmpack_sweep_test.cpp
        LIBS zm_zmpack_core zm_zipkit zm_testutil)
zm_resources(zmpack_sweep_test LANGPACK ${CMAKE_SOURCE_DIR}/lang/packs/languages.xml
             ZEResDll19 ${ZM_ENGINE_RESOURCE})
add_dependencies(zmpack_sweep_test zm_engine_resource)
# The sanitizer build runs three times slower: there every fifth cut, and every flip, is tried
# (the ordinary build tries them all).
if(ZM_SANITIZE)
  target_compile_definitions(zmpack_sweep_test PRIVATE ZM_SWEEP_CUT_STRIDE=5)
else()
  target_compile_definitions(zmpack_sweep_test PRIVATE ZM_SWEEP_CUT_STRIDE=1)
endif()
# Tens of thousands of small files written and removed: a RAM disk where there is one.
if(EXISTS /dev/shm)
  set_tests_properties(zmpack_sweep_test PROPERTIES ENVIRONMENT TMPDIR=/dev/shm)
endif()
