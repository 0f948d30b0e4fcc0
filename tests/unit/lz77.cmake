# The expander, against streams built here and against the build-time packer's output.
if(ZM_BUILD_TESTS)
  set(ZM_LZ77PACK ${CMAKE_SOURCE_DIR}/tools/lz77pack/lz77pack.py)
  # Sample: the packer's own source twice with a zero run between, so there are long, far and
  # overlapping matches.
  set(lz_plain ${CMAKE_CURRENT_BINARY_DIR}/lz77_sample.bin)
  set(lz_packed ${CMAKE_CURRENT_BINARY_DIR}/lz77_sample.lz)
  add_custom_command(
    OUTPUT ${lz_plain} ${lz_packed}
    COMMAND Python3::Interpreter -c
            "import sys; d=open(sys.argv[1],'rb').read(); open(sys.argv[2],'wb').write(d+bytes(5000)+d[::-1]+d)"
            ${ZM_LZ77PACK} ${lz_plain}
    COMMAND Python3::Interpreter ${ZM_LZ77PACK} pack ${lz_plain} ${lz_packed}
    DEPENDS ${ZM_LZ77PACK}
    VERBATIM)
  add_custom_target(lz77_sample DEPENDS ${lz_plain} ${lz_packed})
  zm_test(lz77_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/lz77_test.cpp LIBS zm_zip zm_testutil)
  add_dependencies(lz77_test lz77_sample)
  zm_resources(lz77_test LZSAMPLEPLAIN ${lz_plain} LZSAMPLEPACKED ${lz_packed})
endif()
