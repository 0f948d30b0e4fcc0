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
