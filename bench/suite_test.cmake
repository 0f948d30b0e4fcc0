# The benchmark suite's own checks (output comparison, generated data, NSIS scripts, reading
# verify_bench's report, the results page), run with the unit tests.
if(ZM_BUILD_TESTS AND NOT CMAKE_CROSSCOMPILING)
  find_program(ZM_PYTHON3 python3)
  if(ZM_PYTHON3)
    add_test(NAME bench_suite_test
             COMMAND ${ZM_PYTHON3} -m unittest discover -s ${CMAKE_CURRENT_LIST_DIR}/tests
                     -p "*_test.py")
    set_tests_properties(bench_suite_test PROPERTIES ENVIRONMENT
                         "PYTHONDONTWRITEBYTECODE=1;ZM_VERIFY_BENCH=$<TARGET_FILE:verify_bench>")
  endif()
endif()
