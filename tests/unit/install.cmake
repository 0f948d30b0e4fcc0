# `cmake --install` into a temporary prefix and the installed zmpack on its own (natively; the
# sanitizer build's programs are not the ones installed).
if(NOT ZM_BUILD_TESTS OR WIN32 OR ZM_SANITIZE OR NOT TARGET zmpack)
  return()
endif()
add_test(NAME zmpack_install
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/install_test.sh ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
set_tests_properties(zmpack_install PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
