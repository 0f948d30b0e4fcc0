# Windows-only test programs: they run under Wine with a display (the test target runs ctest
# inside xvfb-run). The driver library and tool are meant for every window test of the product.
if(NOT ZM_BUILD_TESTS)
  return()
endif()
set(zm_win_dir ${CMAKE_CURRENT_LIST_DIR})

# zm_bare_program(target EXECUTABLE|SHARED ENTRY BYTES_OF_ARGS source LIBS...): a test program or
# library without the C runtime, a few kilobytes; ENTRY is its entry point, BYTES_OF_ARGS what
# the entry's arguments take on the stack (the 32-bit name carries it).
function(zm_bare_program target kind entry arg_bytes source)
  if(kind STREQUAL SHARED)
    add_library(${target} SHARED ${source})
    set_target_properties(${target} PROPERTIES PREFIX "")
  else()
    add_executable(${target} WIN32 ${source})
  endif()
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Os -fno-exceptions
                         -fno-asynchronous-unwind-tables -fno-stack-protector -fno-builtin
                         -fno-tree-loop-distribute-patterns)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(symbol ${entry})
  else()
    set(symbol _${entry}@${arg_bytes})
  endif()
  target_link_options(${target} PRIVATE -nostdlib -nostartfiles -Wl,-e,${symbol} -s)
  target_link_libraries(${target} PRIVATE ${ARGN})
endfunction()
zm_library(zm_uidriver SOURCES ${zm_win_dir}/uidriver.cpp LIBS user32)
add_executable(uidriver ${zm_win_dir}/uidriver_main.cpp)
zm_defaults(uidriver)
target_link_libraries(uidriver PRIVATE zm_uidriver shell32)

zm_test(ui_win32_test SOURCES ${zm_win_dir}/ui_win32_test.cpp
        LIBS zm_lang zm_ui zm_uidriver zm_testutil)
# Tests that show windows take turns on the one display: a driver must never find another test's
# window, and a screenshot must show only its own.
set_tests_properties(ui_win32_test PROPERTIES RESOURCE_LOCK zm_display)
zm_resources(ui_win32_test LANGPACK ${CMAKE_SOURCE_DIR}/lang/packs/languages.xml)

add_executable(ui_demo ${zm_win_dir}/ui_demo.cpp)
zm_defaults(ui_demo)
target_link_libraries(ui_demo PRIVATE zm_lang zm_ui)
zm_resources(ui_demo LANGPACK ${CMAKE_SOURCE_DIR}/lang/packs/languages.xml)

if(CMAKE_CROSSCOMPILING)
  add_test(NAME lang_chooser_shot
           COMMAND ${zm_win_dir}/lang_chooser_shot.sh
                   ${CMAKE_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:ui_demo>
                   $<TARGET_FILE:uidriver> ${CMAKE_BINARY_DIR}/lang_chooser.png)
  set_tests_properties(lang_chooser_shot PROPERTIES TIMEOUT 300 RESOURCE_LOCK zm_display
                       ENVIRONMENT "${ZM_WINE_ENV}")
  add_test(NAME ui_demo_shots
           COMMAND ${zm_win_dir}/ui_demo_shots.sh ${CMAKE_SOURCE_DIR}/scripts/wine-run
                   $<TARGET_FILE:ui_demo> $<TARGET_FILE:uidriver> ${CMAKE_BINARY_DIR})
  set_tests_properties(ui_demo_shots PROPERTIES TIMEOUT 300 RESOURCE_LOCK zm_display
                       ENVIRONMENT "${ZM_WINE_ENV}")
endif()

# The real setup.exe end to end: packages made by zmpack.exe, the wizard driven from outside.
# Pictures of every page go to <build>/screens/setup/.
if(CMAKE_CROSSCOMPILING)
  # The program the test packages install: no C runtime, a few kilobytes.
  zm_bare_program(sample_app EXECUTABLE SampleMain 0 ${zm_win_dir}/sample_app.cpp kernel32 user32)

  set(zm_setup_args ${CMAKE_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:wizard_driver>
                    $<TARGET_FILE:zmpack> $<TARGET_FILE:setup>)
  foreach(lang de ru en)
    add_test(NAME setup_install_${lang}
             COMMAND ${zm_win_dir}/setup_install.sh ${zm_setup_args} $<TARGET_FILE:sample_app>
                     ${CMAKE_BINARY_DIR}/wine-tests ${CMAKE_BINARY_DIR}/screens/setup ${lang})
    set_tests_properties(setup_install_${lang} PROPERTIES TIMEOUT 120 RESOURCE_LOCK zm_display
                         ENVIRONMENT "${ZM_WINE_ENV}")
  endforeach()
  # A publisher's package, branded and signed after packing, installs as it did plain; Windows
  # reads its version record, icon and picture through its own calls (version_probe).
  add_executable(version_probe ${zm_win_dir}/version_probe.cpp)
  zm_defaults(version_probe)
  target_compile_options(version_probe PRIVATE -municode)
  target_link_options(version_probe PRIVATE -municode)
  target_link_libraries(version_probe PRIVATE version imagehlp)
  add_test(NAME setup_install_signed
           COMMAND ${zm_win_dir}/setup_install.sh ${zm_setup_args} $<TARGET_FILE:sample_app>
                   ${CMAKE_BINARY_DIR}/wine-tests ${CMAKE_BINARY_DIR}/screens/setup de signed
                   $<TARGET_FILE:version_probe>)
  set_tests_properties(setup_install_signed PROPERTIES TIMEOUT 120 RESOURCE_LOCK zm_display
                       ENVIRONMENT "${ZM_WINE_ENV}")
  add_test(NAME setup_keys
           COMMAND ${zm_win_dir}/setup_keys.sh ${zm_setup_args} $<TARGET_FILE:sample_app>
                   ${CMAKE_BINARY_DIR}/wine-tests)
  set_tests_properties(setup_keys PROPERTIES TIMEOUT 300 RESOURCE_LOCK zm_display
                       ENVIRONMENT "${ZM_WINE_ENV}")
  add_test(NAME setup_broken
           COMMAND ${zm_win_dir}/setup_broken.sh ${zm_setup_args} ${CMAKE_BINARY_DIR}/wine-tests
                   ${CMAKE_BINARY_DIR}/screens/setup)
  set_tests_properties(setup_broken PROPERTIES TIMEOUT 120 RESOURCE_LOCK zm_display
                       ENVIRONMENT "${ZM_WINE_ENV}")
  add_test(NAME setup_silent
           COMMAND ${zm_win_dir}/setup_silent.sh ${zm_setup_args} ${CMAKE_BINARY_DIR}/wine-tests)
  set_tests_properties(setup_silent PROPERTIES TIMEOUT 300 RESOURCE_LOCK zm_display
                       ENVIRONMENT "${ZM_WINE_ENV}")
endif()

# Library planting: copies of a library that records its loads, under system libraries' names,
# beside setup.exe and in the folder it starts from; none may be loaded.
if(CMAKE_CROSSCOMPILING)
  zm_bare_program(planted_dll SHARED PlantedMain 12 ${zm_win_dir}/planted_dll.cpp kernel32)
  add_executable(bare_loader ${zm_win_dir}/bare_loader.cpp)
  zm_defaults(bare_loader)
  target_link_options(bare_loader PRIVATE -municode)
  add_test(NAME setup_planted
           COMMAND ${zm_win_dir}/setup_planted.sh ${zm_setup_args} $<TARGET_FILE:sample_app>
                   $<TARGET_FILE:planted_dll> $<TARGET_FILE:bare_loader>
                   ${CMAKE_BINARY_DIR}/wine-tests)
  set_tests_properties(setup_planted PROPERTIES TIMEOUT 180 RESOURCE_LOCK zm_display
                       ENVIRONMENT "${ZM_WINE_ENV}")
endif()

# Folders and names outside the system code page, on a Cyrillic (1251) and a Western (1252)
# system: setup.exe and zmpack (both systems') from and into such folders, over 300 characters
# too. The Linux zmpack comes from the native build next to this one (`make test` builds it
# first).
if(CMAKE_CROSSCOMPILING)
  set(ZM_NATIVE_ZMPACK ${CMAKE_BINARY_DIR}/../native/tools/zmpack/zmpack
      CACHE FILEPATH "The Linux zmpack the Unicode-path tests compare with")
  # The single program of the test package: it reports where it ran and under which code page.
  zm_bare_program(path_probe EXECUTABLE ProbeMain 0 ${zm_win_dir}/path_probe.cpp kernel32)
  foreach(cp 1251 1252)
    if(cp EQUAL 1251)
      set(zm_locale ru_RU.UTF-8)
    else()
      set(zm_locale en_US.UTF-8)
    endif()
    add_test(NAME unicode_paths_${cp}
             COMMAND ${zm_win_dir}/unicode_paths.sh ${CMAKE_SOURCE_DIR}/scripts/wine-run
                     $<TARGET_FILE:wizard_driver> $<TARGET_FILE:zmpack> $<TARGET_FILE:setup>
                     $<TARGET_FILE:path_probe> ${ZM_NATIVE_ZMPACK} ${CMAKE_BINARY_DIR}/wine-tests
                     ${CMAKE_BINARY_DIR}/screens/unicode ${cp})
    set_tests_properties(unicode_paths_${cp} PROPERTIES TIMEOUT 150 RESOURCE_LOCK zm_display
                         ENVIRONMENT "${ZM_WINE_ENV};LC_ALL=${zm_locale}")
  endforeach()
endif()

# zmpack.exe and the Linux zmpack write the same bytes for every method.
if(CMAKE_CROSSCOMPILING)
  add_test(NAME zmpack_same_bytes
           COMMAND ${zm_win_dir}/zmpack_same_bytes.sh ${CMAKE_SOURCE_DIR}/scripts/wine-run
                   $<TARGET_FILE:zmpack> ${ZM_NATIVE_ZMPACK} ${CMAKE_BINARY_DIR}/wine-tests)
  set_tests_properties(zmpack_same_bytes PROPERTIES TIMEOUT 300 ENVIRONMENT "${ZM_WINE_ENV}")
endif()

# The C++ runtime's thread calls as the installer and the engine library carry them.
add_executable(thread_runtime_test ${zm_win_dir}/thread_runtime_test.cpp)
zm_defaults(thread_runtime_test)
target_link_libraries(thread_runtime_test PRIVATE zm_platform zm_threadruntime)
add_test(NAME thread_runtime_test COMMAND thread_runtime_test)

# zlib's checksum calls as the installer and the engine library carry them.
zm_test(zlibcrc_test SOURCES ${zm_win_dir}/zlibcrc_test.cpp LIBS zm_zlibcrc)
