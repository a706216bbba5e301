# Installation: the tool and its manual page, the core library with its
# headers and a CMake package (find_package(blobsmith) gives the imported
# targets blobsmith::core and blobsmith::blobsmith), and a Debian package
# through CPack (cpack -G DEB).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(BLOBSMITH_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/blobsmith)
set(BLOBSMITH_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/blobsmith)

# Installed headers keep their folders, so a consumer writes
# #include "read/pack_reader.h" exactly as the sources do.
target_include_directories(blobsmith_core PUBLIC
  $<INSTALL_INTERFACE:${BLOBSMITH_INSTALL_INCLUDEDIR}>)
set_target_properties(blobsmith_core PROPERTIES EXPORT_NAME core)

install(TARGETS blobsmith EXPORT blobsmith-targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS blobsmith_core EXPORT blobsmith-targets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/ DESTINATION ${BLOBSMITH_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h"
  PATTERN "*_testing.h" EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/doc/blobsmith.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(EXISTS ${PROJECT_SOURCE_DIR}/README.md)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

install(EXPORT blobsmith-targets NAMESPACE blobsmith::
  DESTINATION ${BLOBSMITH_INSTALL_CMAKEDIR})
file(WRITE ${PROJECT_BINARY_DIR}/blobsmith-config.cmake.in [=[
# The blobsmith package: blobsmith::core (the static core library: pack
# format, reader, packer and extractor) and blobsmith::blobsmith (the tool).
@PACKAGE_INIT@
include("${CMAKE_CURRENT_LIST_DIR}/blobsmith-targets.cmake")
check_required_components(blobsmith)
]=])
configure_package_config_file(${PROJECT_BINARY_DIR}/blobsmith-config.cmake.in
  ${PROJECT_BINARY_DIR}/blobsmith-config.cmake
  INSTALL_DESTINATION ${BLOBSMITH_INSTALL_CMAKEDIR})
# Before 1.0 a minor release may change the library's interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/blobsmith-config-version.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/blobsmith-config.cmake
  ${PROJECT_BINARY_DIR}/blobsmith-config-version.cmake
  DESTINATION ${BLOBSMITH_INSTALL_CMAKEDIR})

# The installed tree, tried from outside: install into a scratch prefix,
# build a small program against it with find_package and run it on a pack
# made by the installed tool.
if(BUILD_TESTING AND NOT WIN32 AND NOT CMAKE_CROSSCOMPILING)
  set(blobsmith_consumer_link_flags "")
  if(BLOBSMITH_SANITIZE)
    set(blobsmith_consumer_link_flags "-fsanitize=address,undefined")
  endif()
  add_test(NAME install.consumer
    COMMAND sh ${PROJECT_SOURCE_DIR}/tests/install/run.sh
      ${CMAKE_COMMAND} ${PROJECT_BINARY_DIR} $<CONFIG> ${PROJECT_SOURCE_DIR}/tests/install/consumer
      ${PROJECT_BINARY_DIR}/install-test ${CMAKE_CXX_COMPILER} "${blobsmith_consumer_link_flags}")
  set_tests_properties(install.consumer PROPERTIES TIMEOUT 600)
  find_program(BLOBSMITH_DPKG_DEB dpkg-deb)
  if(BLOBSMITH_DPKG_DEB)
    add_test(NAME install.deb
      COMMAND sh ${PROJECT_SOURCE_DIR}/tests/install/deb.sh
        ${CMAKE_CPACK_COMMAND} ${PROJECT_BINARY_DIR} $<CONFIG> ${PROJECT_BINARY_DIR}/deb-test)
    set_tests_properties(install.deb PROPERTIES TIMEOUT 600)
  endif()
endif()

# cpack -G DEB: one package with the tool, its manual page, the library,
# headers and CMake package.
set(BLOBSMITH_PACKAGE_CONTACT "blobsmith maintainers <maintainers@blobsmith.invalid>"
  CACHE STRING "Maintainer named in the Debian package")
set(CPACK_PACKAGE_NAME blobsmith)
set(CPACK_PACKAGE_VENDOR "blobsmith")
set(CPACK_PACKAGE_CONTACT ${BLOBSMITH_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "packs a directory tree into one block-aligned pack file and back")
set(CPACK_PACKAGE_DESCRIPTION [=[
blobsmith packs the files of a directory tree into one flat pack file of
512-byte blocks, with a table of names, offsets and sizes and a trailing
checksum, and unpacks such a file back into a tree. It also lists and
verifies pack files, and ships a small static library for reading members
by name at run time.]=])
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The tool links the C++ runtime: let dpkg-shlibdeps name the packages.
find_program(BLOBSMITH_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(BLOBSMITH_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
if(UNIX AND NOT APPLE AND NOT CMAKE_CROSSCOMPILING)
  set(CPACK_GENERATOR DEB)
endif()
include(CPack)
