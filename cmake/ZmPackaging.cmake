# The release archives, which `make dist` has CPack write into build/dist/:
#   zmsetup_VERSION_amd64.deb        the Linux install (the default component of ZmInstall)
#   zmsetup-VERSION-Linux.tar.gz     the same files under one top folder (bin/, share/)
#   zmsetup-VERSION-windows.zip      zmpack.exe with both stubs (the "windows" component), from
#                                    `cpack --config CPackWindowsConfig.cmake`
# The version is the project's. With SOURCE_DATE_EPOCH set every archive gets that time, and the
# compressed files inside are written without names or times, so a rebuild gives the same bytes.
if(WIN32)
  return()
endif()

set(CPACK_PACKAGE_NAME zmsetup)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The zmsetup developers")
set(CPACK_PACKAGE_CONTACT "zmsetup developers <zmsetup@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://zmsetup.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "builds self-extracting Windows installer packages")
set(CPACK_PACKAGE_DESCRIPTION
    "zmpack builds Windows installer packages on Linux: setup.exe with the files\n"
    "to install, a configuration and a language pack appended. It lists,\n"
    "verifies, signs and extracts them with the installer's own readers. The\n"
    "package ships the installer programs for 32-bit and 64-bit Windows, the\n"
    "language pack and an example.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_README ${CMAKE_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_ARCHIVE_THREADS 1)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# dpkg-shlibdeps declares what the program links (zlib, OpenSSL, libdeflate, Zopfli, ISA-L,
# pugixml, liblzma when it does, the C++ runtime). The engine zmpack carries, loaded from a
# temporary folder out of its sight, links nothing the program does not (scripts/check-dist).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "osslsigncode")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)

include(CPack)

# The Windows zip: the same settings, the "windows" component alone, one top folder.
set(zm_windows_config ${CMAKE_BINARY_DIR}/CPackWindowsConfig.cmake)
file(WRITE ${zm_windows_config}
     "include(${CMAKE_BINARY_DIR}/CPackConfig.cmake)\n"
     "set(CPACK_GENERATOR ZIP)\n"
     "set(CPACK_INSTALL_CMAKE_PROJECTS \"${CMAKE_BINARY_DIR};zmsetup;windows;/\")\n"
     "set(CPACK_PACKAGE_FILE_NAME \"zmsetup-${PROJECT_VERSION}-windows\")\n"
     "set(CPACK_STRIP_FILES OFF)\n")
