# Libraries the project uses; all are installed by scripts/install-deps, none is copied into the tree.
set(ZLIB_USE_STATIC_LIBS ${WIN32})
find_package(ZLIB REQUIRED)
find_package(Threads REQUIRED)

if(WIN32)
  set(ZM_PUGIXML_SRC /opt/zm-deps/pugixml/src CACHE PATH "pugixml sources for the cross build")
  # Compiled into the one file that includes it (common/xmldoc.cpp), in the library's header-only
  # form: its functions are then inline and only those the project calls are compiled at all. As a
  # library of its own, every public function stayed in, and through those the C runtime's
  # complete printf and strtod (about 40 KB), which nothing reaches.
  add_library(zm_pugixml INTERFACE)
  target_include_directories(zm_pugixml SYSTEM INTERFACE ${ZM_PUGIXML_SRC})
  # No stream or std::string interfaces: they would pull the C++ stream and locale runtime (about
  # 600 KB) into every program that reads XML.
  # No XPath either: the documents are walked (common/xmldoc.cpp), never queried; the query
  # engine would be a good third of the library.
  target_compile_definitions(zm_pugixml INTERFACE PUGIXML_HEADER_ONLY PUGIXML_NO_EXCEPTIONS
                                                  PUGIXML_NO_STL PUGIXML_NO_XPATH)
else()
  find_package(pugixml REQUIRED)
  add_library(zm_pugixml INTERFACE)
  target_link_libraries(zm_pugixml INTERFACE pugixml::pugixml)
  find_package(OpenSSL REQUIRED COMPONENTS Crypto)
endif()

if(ZM_BUILD_TESTS)
  if(WIN32)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    add_library(zm_gtest_main STATIC ${PROJECT_SOURCE_DIR}/tests/unit/testmain.cpp)
    target_link_libraries(zm_gtest_main PUBLIC gtest)
  else()
    find_package(GTest REQUIRED)
    add_library(zm_gtest_main STATIC ${PROJECT_SOURCE_DIR}/tests/unit/testmain.cpp)
    target_link_libraries(zm_gtest_main PUBLIC GTest::gtest)
  endif()
endif()

# liblzma, for LZMA entries and solid chains: Debian's natively; in the Windows builds compiled from
# Debian's xz-utils sources (scripts/install-deps puts them in /opt/zm-deps), the version the native
# build links, twice: the decoders the engine needs (LZMA, LZMA2, the x86 filter) for the engine,
# which travels inside setup.exe, and the encoders besides for zmpack.exe, so that it writes the
# same bytes as zmpack.
if(WIN32)
  set(ZM_XZ_SRC /opt/zm-deps/xz-utils/src CACHE PATH "xz-utils sources for the cross build")
  set(zm_lz ${ZM_XZ_SRC}/liblzma)
  set(zm_lzma_decoder_sources
      ${zm_lz}/common/common.c ${zm_lz}/common/filter_common.c ${zm_lz}/common/filter_decoder.c
      ${zm_lz}/lz/lz_decoder.c
      ${zm_lz}/lzma/lzma_decoder.c ${zm_lz}/lzma/lzma2_decoder.c ${zm_lz}/simple/simple_coder.c
      ${zm_lz}/simple/simple_decoder.c ${zm_lz}/simple/x86.c)
  set(zm_lzma_encoder_sources
      ${zm_lz}/common/filter_encoder.c ${zm_lz}/common/filter_buffer_encoder.c
      ${zm_lz}/common/easy_preset.c ${zm_lz}/lz/lz_encoder.c ${zm_lz}/lz/lz_encoder_mf.c
      ${zm_lz}/lzma/lzma_encoder.c ${zm_lz}/lzma/lzma_encoder_optimum_fast.c
      ${zm_lz}/lzma/lzma_encoder_optimum_normal.c ${zm_lz}/lzma/lzma_encoder_presets.c
      ${zm_lz}/lzma/lzma2_encoder.c ${zm_lz}/lzma/fastpos_table.c
      ${zm_lz}/rangecoder/price_table.c ${zm_lz}/simple/simple_encoder.c
      ${zm_lz}/check/crc32_table.c ${zm_lz}/check/crc32_fast.c)
  set(zm_lzma_common_definitions HAVE_STDBOOL_H HAVE__BOOL HAVE_STDINT_H HAVE_INTTYPES_H
      HAVE_VISIBILITY=0 TUKLIB_SYMBOL_PREFIX=lzma_ HAVE_DECODER_LZMA1 HAVE_DECODER_LZMA2
      HAVE_DECODER_X86 HAVE_DECODERS)
  function(zm_liblzma target)
    add_library(${target} STATIC ${ARGN})
    target_include_directories(${target} SYSTEM PUBLIC ${zm_lz}/api)
    target_include_directories(${target} PRIVATE ${zm_lz}/common ${zm_lz}/check ${zm_lz}/lz
        ${zm_lz}/rangecoder ${zm_lz}/lzma ${zm_lz}/delta ${zm_lz}/simple ${ZM_XZ_SRC}/common)
    target_compile_definitions(${target} PUBLIC LZMA_API_STATIC)
    target_compile_definitions(${target} PRIVATE ${zm_lzma_common_definitions})
    # Third-party code as it is: its own warnings are not ours to fix.
    target_compile_options(${target} PRIVATE -O2 -w)
  endfunction()
  zm_liblzma(zm_lzma_decoder ${zm_lzma_decoder_sources})
  # The encoders on top of the same decoder objects, so that a program with both (a test of the
  # writer against the engine) carries each function once.
  zm_liblzma(zm_lzma ${zm_lzma_encoder_sources})
  # x86.c holds the filter's encoder and decoder both: compiled here for its encoder alone.
  zm_liblzma(zm_lzma_x86_encoder ${zm_lz}/simple/x86.c)
  target_compile_definitions(zm_lzma_x86_encoder PRIVATE HAVE_ENCODER_X86)
  get_target_property(zm_x86_defs zm_lzma_x86_encoder COMPILE_DEFINITIONS)
  list(REMOVE_ITEM zm_x86_defs HAVE_DECODER_X86 HAVE_DECODER_LZMA1 HAVE_DECODER_LZMA2)
  set_target_properties(zm_lzma_x86_encoder PROPERTIES COMPILE_DEFINITIONS "${zm_x86_defs}")
  target_link_libraries(zm_lzma PUBLIC zm_lzma_x86_encoder zm_lzma_decoder)
  target_compile_definitions(zm_lzma PRIVATE HAVE_ENCODERS HAVE_ENCODER_LZMA1 HAVE_ENCODER_LZMA2
                                             HAVE_ENCODER_X86 HAVE_MF_HC3 HAVE_MF_HC4 HAVE_MF_BT2
                                             HAVE_MF_BT3 HAVE_MF_BT4)
else()
  find_package(LibLZMA REQUIRED)
  add_library(zm_lzma_decoder INTERFACE)
  target_link_libraries(zm_lzma_decoder INTERFACE LibLZMA::LibLZMA)
  add_library(zm_lzma INTERFACE)
  target_link_libraries(zm_lzma INTERFACE LibLZMA::LibLZMA)
endif()
