# The engine loader, against small fake engine libraries built here (and the real engine when it
# is part of the build). The test program has a folder of its own (it plants libraries next to
# itself, which must not disturb programs that keep the real engine beside them); the fakes sit
# in fake_engines/ below it.
if(ZM_BUILD_TESTS)
  set(zm_fake_src ${CMAKE_CURRENT_LIST_DIR}/fake_engine.cpp)
  set(zm_loader_dir ${CMAKE_CURRENT_BINARY_DIR}/loader)
  set(zm_fake_dir ${zm_loader_dir}/fake_engines)
  set(zm_fakes "")
  macro(zm_fake_engine name)
    add_library(${name} SHARED ${zm_fake_src})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_definitions(${name} PRIVATE ${ARGN})
    set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name}
      LIBRARY_OUTPUT_DIRECTORY ${zm_fake_dir} RUNTIME_OUTPUT_DIRECTORY ${zm_fake_dir}
      CXX_VISIBILITY_PRESET hidden)
    # Stripped, so even the Windows fakes fit below the resource's 50,000-byte threshold.
    target_link_options(${name} PRIVATE -s)
    if(ZM_WIN32_X86)
      # Undecorated names for the standard calling convention, as the real engine exports them.
      target_link_options(${name} PRIVATE -Wl,--kill-at)
    endif()
    list(APPEND zm_fakes ${name})
  endmacro()
  zm_fake_engine(fake_good FAKE_NAME="FakeEngine")
  zm_fake_engine(fake_old FAKE_NAME="FakeOld" FAKE_PRIV_VERSION=1900094)
  zm_fake_engine(fake_v189 FAKE_NAME="Fake189" FAKE_VERSION=189)
  zm_fake_engine(fake_nobanner FAKE_NAME="FakeNoBanner" FAKE_NO_BANNER)
  zm_fake_engine(fake_planted FAKE_NAME="Planted" FAKE_MARKER="zm_planted_engine.marker")

  zm_test(loader_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/loader_test.cpp
          LIBS zm_zip zm_testutil)
  set_target_properties(loader_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${zm_loader_dir})
  add_dependencies(loader_test ${zm_fakes})
  if(TARGET ZMEngine190)
    # The real engine goes through the same resource copy, packed by the build-time packer.
    # Stripped as a shipped copy would be, so a debug build still fits the resource's limits.
    if(CMAKE_STRIP)
      set(zm_copy_engine ${CMAKE_STRIP} --strip-all -o ${zm_fake_dir}/real_engine.bin
                         $<TARGET_FILE:ZMEngine190>)
    else()
      set(zm_copy_engine ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ZMEngine190>
                         ${zm_fake_dir}/real_engine.bin)
    endif()
    add_custom_command(TARGET loader_test POST_BUILD
      COMMAND ${zm_copy_engine}
      COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/lz77pack/lz77pack.py pack
              ${zm_fake_dir}/real_engine.bin ${zm_fake_dir}/real_engine.lz
      VERBATIM)
    add_dependencies(loader_test ZMEngine190)
  endif()
endif()
