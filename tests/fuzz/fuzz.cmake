# Fuzz targets, one per parser. With ZM_FUZZ (clang) each links libFuzzer with ASan and UBSan;
# otherwise the same sources link with a replay main() that runs the seed corpus as a test.
if(NOT ZM_BUILD_TESTS AND NOT ZM_FUZZ)
  return()
endif()
set(zm_fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
if(ZM_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "ZM_FUZZ needs clang (CC=clang CXX=clang++)")
endif()

function(zm_fuzz_target name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  set(target fuzz_${name})
  if(ZM_FUZZ)
    add_executable(${target} ${zm_fuzz_dir}/fuzz_${name}.cpp ${A_SOURCES})
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined
                                             -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
  else()
    add_executable(${target} ${zm_fuzz_dir}/fuzz_${name}.cpp ${zm_fuzz_dir}/replay_main.cpp
                   ${A_SOURCES})
  endif()
  zm_defaults(${target})
  target_link_libraries(${target} PRIVATE ${A_LIBS} zm_platform)
  # The corpus goes next to the program: a relative path is the one a Windows build under Wine
  # reads without translation.
  add_custom_command(TARGET ${target} POST_BUILD
                     COMMAND ${CMAKE_COMMAND} -E copy_directory ${zm_fuzz_dir}/corpus/${name}
                             $<TARGET_FILE_DIR:${target}>/fuzzcorpus/${name})
  if(NOT ZM_FUZZ AND ZM_BUILD_TESTS)
    add_test(NAME ${target}_replay COMMAND ${target} fuzzcorpus/${name}
             WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>)
    set_tests_properties(${target}_replay PROPERTIES TIMEOUT 300)
  endif()
endfunction()

zm_fuzz_target(container LIBS zm_package)
zm_fuzz_target(config LIBS zm_package)
zm_fuzz_target(lang LIBS zm_lang)
zm_fuzz_target(lz77 LIBS zm_zip)
zm_fuzz_target(messages LIBS zm_zip)
zm_fuzz_target(zipdir LIBS zm_zipformat)
zm_fuzz_target(signedimage LIBS zm_zipformat zm_authenticode)
zm_fuzz_target(engine SOURCES ${zm_fuzz_dir}/../unit/engine_driver.cpp LIBS zm_engine)
zm_fuzz_target(solid LIBS zm_engine)
if(TARGET zm_peimage)
  zm_fuzz_target(resources LIBS zm_peimage)
endif()
