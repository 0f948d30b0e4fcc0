# What `cmake --install` puts where. zmpack looks for its default stub next to itself and in
# ../share/zmsetup/, so the layout below is fixed relative to the program, whatever the prefix:
#   bin/zmpack
#   share/zmsetup/setup.exe          the i686 installer program, zmpack create's default stub
#   share/zmsetup/setup-x86_64.exe   the same installer for x86-64 Windows
#   share/zmsetup/languages.xml      the shipped language pack (zmpack also carries a copy)
#   share/zmsetup/examples/          the demo package's files and the demo program's source
#   share/man/man1/zmpack.1.gz, share/doc/zmsetup/
# The Windows programs come from the MinGW build folders, which this project cannot build from a
# native configuration; the "windows" component (not part of a plain install) is the layout of the
# Windows zip: zmpack.exe with both stubs beside it.
if(WIN32)
  return()
endif()

get_filename_component(zm_build_root ${CMAKE_BINARY_DIR} DIRECTORY)
set(ZM_WIN32_BUILD_DIR ${zm_build_root}/win32 CACHE PATH
    "The i686 MinGW build folder whose app/setup.exe is installed as the default stub")
set(ZM_WIN64_BUILD_DIR ${zm_build_root}/win64 CACHE PATH
    "The x86-64 MinGW build folder whose app/setup.exe and tools/zmpack/zmpack.exe are shipped")
set(zm_stub32 ${ZM_WIN32_BUILD_DIR}/app/setup.exe)
set(zm_stub64 ${ZM_WIN64_BUILD_DIR}/app/setup.exe)
set(zm_zmpack_exe ${ZM_WIN64_BUILD_DIR}/tools/zmpack/zmpack.exe)
set(zm_share share/zmsetup)
# README's links point into doc/: both layouts keep that folder beside it.
set(zm_docs ${CMAKE_SOURCE_DIR}/doc/format.md ${CMAKE_SOURCE_DIR}/doc/security.md
            ${CMAKE_SOURCE_DIR}/doc/language-pack.md)

# In the build tree zmpack finds the i686 stub through a link beside it (dangling until that
# build has made it, when zmpack says that it found none).
get_target_property(zm_zmpack_dir zmpack BINARY_DIR)
file(CREATE_LINK ${zm_stub32} ${zm_zmpack_dir}/setup.exe SYMBOLIC)

# The man page comes from the program's own --help texts, so the two cannot drift apart.
set(zm_man ${CMAKE_BINARY_DIR}/man/zmpack.1)
add_custom_command(
  OUTPUT ${zm_man} ${zm_man}.gz
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/zmpack/make_manpage.py
          $<TARGET_FILE:zmpack> ${zm_man}
  COMMAND gzip -9nf -k ${zm_man}
  DEPENDS zmpack ${CMAKE_SOURCE_DIR}/tools/zmpack/make_manpage.py
  COMMENT "Writing the zmpack(1) man page from zmpack's --help"
  VERBATIM)
# Not by default in the sanitizer build, whose zmpack is not the one installed.
if(ZM_SANITIZE)
  add_custom_target(zm_manpage DEPENDS ${zm_man}.gz)
else()
  add_custom_target(zm_manpage ALL DEPENDS ${zm_man}.gz)
endif()

# The Debian copyright and changelog, with the version and date filled in: the date is
# SOURCE_DATE_EPOCH's, else the last commit's, so that the changelog does not change per build.
set(zm_epoch "$ENV{SOURCE_DATE_EPOCH}")
if(zm_epoch STREQUAL "")
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                  OUTPUT_VARIABLE zm_epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(zm_epoch MATCHES "^[0-9]+$")
  set(zm_saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
  set(ENV{SOURCE_DATE_EPOCH} ${zm_epoch})
  string(TIMESTAMP zm_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  set(ENV{SOURCE_DATE_EPOCH} "${zm_saved_epoch}")
else()
  string(TIMESTAMP zm_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
endif()
set(zm_changelog ${CMAKE_BINARY_DIR}/dist/changelog)
configure_file(${CMAKE_SOURCE_DIR}/dist/changelog.in ${zm_changelog} @ONLY)
add_custom_command(OUTPUT ${zm_changelog}.gz
  COMMAND gzip -9nf -k ${zm_changelog}
  DEPENDS ${zm_changelog} VERBATIM)
add_custom_target(zm_changelog ALL DEPENDS ${zm_changelog}.gz)

# The Windows stubs must exist when installing: say which build makes them instead of failing on
# a missing file.
function(zm_require_built file how component)
  install(CODE "
    if(NOT EXISTS \"${file}\")
      message(FATAL_ERROR \"zmsetup install: ${file} is missing; build it first: ${how}\")
    endif()" COMPONENT ${component} ${ARGN})
endfunction()
set(zm_how32 "scripts/configure win32 && cmake --build build/win32 --target setup (or set ZM_WIN32_BUILD_DIR)")
set(zm_how64 "scripts/configure win64 && cmake --build build/win64 --target setup zmpack (or set ZM_WIN64_BUILD_DIR)")

# The Linux layout: the default component, which `cmake --install`, the .deb and the tarball take.
# The checks come first, so that a failed install leaves nothing half done.
zm_require_built(${zm_stub32} "${zm_how32}" Unspecified)
zm_require_built(${zm_stub64} "${zm_how64}" Unspecified)
install(TARGETS zmpack RUNTIME DESTINATION bin)
install(FILES ${zm_stub32} DESTINATION ${zm_share})
install(FILES ${zm_stub64} DESTINATION ${zm_share} RENAME setup-x86_64.exe)
install(FILES ${CMAKE_SOURCE_DIR}/lang/packs/languages.xml DESTINATION ${zm_share})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${zm_share}/examples)
install(FILES ${zm_man}.gz DESTINATION share/man/man1)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION share/doc/zmsetup)
install(FILES ${zm_docs} DESTINATION share/doc/zmsetup/doc)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/doc/images DESTINATION share/doc/zmsetup/doc)
install(FILES ${CMAKE_SOURCE_DIR}/dist/copyright ${zm_changelog}.gz DESTINATION share/doc/zmsetup)

# The Windows layout, for the zip only: everything in one folder, zmpack.exe beside its stubs.
zm_require_built(${zm_stub32} "${zm_how32}" windows EXCLUDE_FROM_ALL)
zm_require_built(${zm_zmpack_exe} "${zm_how64}" windows EXCLUDE_FROM_ALL)
zm_require_built(${zm_stub64} "${zm_how64}" windows EXCLUDE_FROM_ALL)
install(PROGRAMS ${zm_zmpack_exe} ${zm_stub32} DESTINATION . COMPONENT windows EXCLUDE_FROM_ALL)
install(PROGRAMS ${zm_stub64} DESTINATION . RENAME setup-x86_64.exe COMPONENT windows
        EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_SOURCE_DIR}/lang/packs/languages.xml ${CMAKE_SOURCE_DIR}/README.md
        DESTINATION . COMPONENT windows EXCLUDE_FROM_ALL)
install(FILES ${zm_docs} DESTINATION doc COMPONENT windows EXCLUDE_FROM_ALL)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/doc/images DESTINATION doc COMPONENT windows EXCLUDE_FROM_ALL)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION examples COMPONENT windows
        EXCLUDE_FROM_ALL)
