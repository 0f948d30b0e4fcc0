# Libraries the project uses; all are installed by scripts/install-deps, none is copied into the tree.
set(ZLIB_USE_STATIC_LIBS ${WIN32})
find_package(ZLIB REQUIRED)
find_package(Threads REQUIRED)

if(WIN32)
  set(ZM_PUGIXML_SRC /opt/zm-deps/pugixml/src CACHE PATH "pugixml sources for the cross build")
  add_library(zm_pugixml STATIC ${ZM_PUGIXML_SRC}/pugixml.cpp)
  target_include_directories(zm_pugixml SYSTEM PUBLIC ${ZM_PUGIXML_SRC})
  # No stream or std::string interfaces: they would pull the C++ stream and locale runtime (about
  # 600 KB) into every program that reads XML.
  # No XPath either: the documents are walked (common/xmldoc.cpp), never queried; the query
  # engine would be a good third of the library.
  target_compile_definitions(zm_pugixml PUBLIC PUGIXML_NO_EXCEPTIONS PUGIXML_NO_STL
                                               PUGIXML_NO_XPATH)
  # Built without exceptions, nothing ever unwinds through it: without unwind tables the linker
  # can drop the parts the project does not call (on Windows the tables keep every function).
  target_compile_options(zm_pugixml PRIVATE -fno-exceptions -fno-asynchronous-unwind-tables)
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
    add_library(zm_gtest_main INTERFACE)
    target_link_libraries(zm_gtest_main INTERFACE gtest gtest_main)
  else()
    find_package(GTest REQUIRED)
    add_library(zm_gtest_main INTERFACE)
    target_link_libraries(zm_gtest_main INTERFACE GTest::gtest GTest::gtest_main)
  endif()
endif()
