# The fuzz targets live in tests/fuzz; in ordinary builds they replay their corpus as tests.
include(${CMAKE_CURRENT_LIST_DIR}/../fuzz/fuzz.cmake)
