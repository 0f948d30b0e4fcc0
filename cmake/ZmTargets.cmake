# Common settings for the project's own targets.
if(WIN32)
  set(ZM_PLATFORM win32)
else()
  set(ZM_PLATFORM posix)
endif()

if(WIN32 AND CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(ZM_WIN32_X86 ON)
else()
  set(ZM_WIN32_X86 OFF)
endif()

# Windows tests run under Wine of the build's own width (the i686 programs under the 32-bit Wine),
# with a private WINEPREFIX in the build folder. ZM_WINE_ENV is the environment every test that
# starts Wine itself gets.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  if(ZM_WIN32_X86)
    set(ZM_WINEARCH win32)
  else()
    set(ZM_WINEARCH win64)
  endif()
  set(ZM_WINE_ENV ZM_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;ZM_WINEARCH=${ZM_WINEARCH})
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env;${ZM_WINE_ENV};${CMAKE_SOURCE_DIR}/scripts/wine-run)
endif()

function(zm_defaults target)
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  if(ZM_WERROR)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endif()
  if(WIN32)
    target_compile_definitions(${target} PUBLIC UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601
                                                NOMINMAX)
  endif()
  # Windows programs and libraries carry the static C++ runtime; smaller stand-ins for some of its
  # pieces keep them small (platform/win32/runtime).
  get_target_property(kind ${target} TYPE)
  if(WIN32 AND kind MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$")
    target_link_libraries(${target} PRIVATE zm_cxxruntime)
  endif()
  if(ZM_SANITIZE)
    # Every finding stops the program, so that a test cannot pass over one. The instrumentation
    # confuses gcc's flow analysis into false "may be used uninitialized" warnings (in the
    # standard library's own headers); the ordinary builds keep that warning.
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=all -Wno-maybe-uninitialized)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
endfunction()

# zm_library(name SOURCES ... [LIBS ...])
function(zm_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  zm_defaults(${name})
  if(A_LIBS)
    target_link_libraries(${name} PUBLIC ${A_LIBS})
  endif()
endfunction()

# zm_test(name SOURCES ... [LIBS ...]): one GoogleTest program, one ctest entry (a Wine start
# per test program, not per case, keeps the Windows run quick).
function(zm_test name)
  if(NOT ZM_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  zm_defaults(${name})
  target_link_libraries(${name} PRIVATE ${A_LIBS} zm_gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
