# Installation: the tool and its manual page; the run-time reader (shared
# and static libraries in the multiarch directory, its header, a CMake
# package giving blobsmith::reader and blobsmith::reader_static, and
# blobsmith-reader.pc) and its bindings (cmake/bindings.cmake); the licence
# and changelog. cpack -G DEB makes four packages: blobsmith (the tool),
# libblobsmith-reader0 (the shared library), libblobsmith-reader-dev (what
# building against the reader and its C bindings needs) and
# python3-blobsmith (the Python module).
# Below, the tests that build programs against an installed tree and check
# the packages with lintian.
include(CMakePackageConfigHelpers)

set(BLOBSMITH_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/blobsmith)
set(BLOBSMITH_DOC_TOOL ${CMAKE_INSTALL_DATADIR}/doc/blobsmith)
set(BLOBSMITH_DOC_LIB ${CMAKE_INSTALL_DATADIR}/doc/libblobsmith-reader0)
set(BLOBSMITH_DOC_DEV ${CMAKE_INSTALL_DATADIR}/doc/libblobsmith-reader-dev)
set(BLOBSMITH_DOC_PYTHON ${CMAKE_INSTALL_DATADIR}/doc/python3-blobsmith)

install(TARGETS blobsmith EXPORT blobsmith-tool-targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
install(TARGETS blobsmith_reader EXPORT blobsmith-targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library NAMELINK_COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT library
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(TARGETS blobsmith_reader_static EXPORT blobsmith-targets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/include/blobsmith/reader.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/blobsmith COMPONENT development)

# Debian wants manual pages and changelogs compressed, without time stamps.
# doc/changelog is kept in the Debian format, so it is each package's
# changelog.Debian.gz (the package versions carry a Debian revision).
set(blobsmith_gz ${PROJECT_BINARY_DIR}/gz)
file(MAKE_DIRECTORY ${blobsmith_gz})
find_program(BLOBSMITH_GZIP gzip)
foreach(pair "doc/blobsmith.1:blobsmith.1.gz" "doc/changelog:changelog.Debian.gz")
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 from)
  list(GET pair 1 to)
  add_custom_command(OUTPUT ${blobsmith_gz}/${to}
    COMMAND ${BLOBSMITH_GZIP} -9nc ${PROJECT_SOURCE_DIR}/${from} > ${blobsmith_gz}/${to}
    DEPENDS ${PROJECT_SOURCE_DIR}/${from} VERBATIM)
endforeach()
add_custom_target(blobsmith_compressed_docs ALL
  DEPENDS ${blobsmith_gz}/blobsmith.1.gz ${blobsmith_gz}/changelog.Debian.gz)
install(FILES ${blobsmith_gz}/blobsmith.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
foreach(doc IN ITEMS TOOL LIB DEV PYTHON)
  string(TOLOWER ${doc} component)
  if(component STREQUAL "lib")
    set(component library)
  elseif(component STREQUAL "dev")
    set(component development)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${BLOBSMITH_DOC_${doc}}
    RENAME copyright COMPONENT ${component})
  install(FILES ${blobsmith_gz}/changelog.Debian.gz DESTINATION ${BLOBSMITH_DOC_${doc}}
    COMPONENT ${component})
endforeach()

install(EXPORT blobsmith-targets NAMESPACE blobsmith::
  DESTINATION ${BLOBSMITH_INSTALL_CMAKEDIR} COMPONENT development)
# The tool's own CMake files ship with the tool: its imported target and
# blobsmith_add_pack.
install(EXPORT blobsmith-tool-targets NAMESPACE blobsmith::
  DESTINATION ${BLOBSMITH_INSTALL_CMAKEDIR} COMPONENT tool)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/package/blobsmith-pack.cmake
  DESTINATION ${BLOBSMITH_INSTALL_CMAKEDIR} COMPONENT tool)
file(WRITE ${PROJECT_BINARY_DIR}/blobsmith-config.cmake.in [=[
# The blobsmith package (MIT licence), in these components:
#   reader  blobsmith::reader, the run-time reader as a shared library, and
#           blobsmith::reader_static, the same as a static,
#           position-independent library; both give blobsmith/reader.h.
#   tool    blobsmith::blobsmith, the command-line tool, and the function
#           blobsmith_add_pack (see blobsmith-pack.cmake). In a cross build,
#           where the host's tool lies outside the find root, set the cache
#           variable BLOBSMITH_EXECUTABLE to it.
#   physfs  blobsmith::physfs, the PhysicsFS archiver (blobsmith/physfs.h),
#           static; found with PhysicsFS through pkg-config.
#   sdl     blobsmith::sdl, the SDL_RWops over a member (blobsmith/sdl.h),
#           static; found with SDL2 through pkg-config.
# With no components the reader is required and the tool taken when there.
@PACKAGE_INIT@
set(BLOBSMITH_EXECUTABLE "${BLOBSMITH_EXECUTABLE}" CACHE FILEPATH
  "The blobsmith tool to run at build time (for cross builds); empty: the package's own")
set(_blobsmith_components ${blobsmith_FIND_COMPONENTS})
if(NOT _blobsmith_components)
  include("${CMAKE_CURRENT_LIST_DIR}/blobsmith-targets.cmake")
  set(_blobsmith_components tool)
endif()
foreach(_blobsmith_component IN LISTS _blobsmith_components)
  set(blobsmith_${_blobsmith_component}_FOUND FALSE)
  if(_blobsmith_component STREQUAL "reader" AND
     EXISTS "${CMAKE_CURRENT_LIST_DIR}/blobsmith-targets.cmake")
    include("${CMAKE_CURRENT_LIST_DIR}/blobsmith-targets.cmake")
    set(blobsmith_reader_FOUND TRUE)
  elseif(_blobsmith_component MATCHES "^(physfs|sdl)$" AND
         EXISTS "${CMAKE_CURRENT_LIST_DIR}/blobsmith-${_blobsmith_component}-targets.cmake")
    # The binding's library is found through pkg-config, as it was built.
    include(CMakeFindDependencyMacro)
    find_dependency(PkgConfig)
    if(_blobsmith_component STREQUAL "physfs")
      pkg_check_modules(BLOBSMITH_PHYSFS QUIET IMPORTED_TARGET physfs>=3.0)
    else()
      pkg_check_modules(BLOBSMITH_SDL2 QUIET IMPORTED_TARGET sdl2)
    endif()
    if(TARGET PkgConfig::BLOBSMITH_PHYSFS OR TARGET PkgConfig::BLOBSMITH_SDL2)
      include("${CMAKE_CURRENT_LIST_DIR}/blobsmith-targets.cmake")
      include("${CMAKE_CURRENT_LIST_DIR}/blobsmith-${_blobsmith_component}-targets.cmake")
      set(blobsmith_${_blobsmith_component}_FOUND TRUE)
    endif()
  elseif(_blobsmith_component STREQUAL "tool")
    if(NOT TARGET blobsmith::blobsmith AND BLOBSMITH_EXECUTABLE)
      add_executable(blobsmith::blobsmith IMPORTED)
      set_target_properties(blobsmith::blobsmith PROPERTIES IMPORTED_LOCATION "${BLOBSMITH_EXECUTABLE}")
    elseif(NOT TARGET blobsmith::blobsmith AND
           EXISTS "${CMAKE_CURRENT_LIST_DIR}/blobsmith-tool-targets.cmake")
      include("${CMAKE_CURRENT_LIST_DIR}/blobsmith-tool-targets.cmake")
    endif()
    if(TARGET blobsmith::blobsmith)
      include("${CMAKE_CURRENT_LIST_DIR}/blobsmith-pack.cmake")
      set(blobsmith_tool_FOUND TRUE)
    endif()
  endif()
endforeach()
unset(_blobsmith_component)
unset(_blobsmith_components)
check_required_components(blobsmith)
]=])
configure_package_config_file(${PROJECT_BINARY_DIR}/blobsmith-config.cmake.in
  ${PROJECT_BINARY_DIR}/blobsmith-config.cmake
  INSTALL_DESTINATION ${BLOBSMITH_INSTALL_CMAKEDIR})
# A request for 0.1 is met by 0.2: 0.2 only adds calls, keeping every call,
# record and constant of 0.1 as it was (the soname stays 0). A release that
# changes or removes any of them raises the major version and the soname.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/blobsmith-config-version.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/blobsmith-config.cmake
  ${PROJECT_BINARY_DIR}/blobsmith-config-version.cmake
  DESTINATION ${BLOBSMITH_INSTALL_CMAKEDIR} COMPONENT development)

# pkg-config, with the install prefix filled in at install time so that a
# package built for /usr says /usr.
file(WRITE ${PROJECT_BINARY_DIR}/blobsmith-reader.pc.in [=[
prefix=@BLOBSMITH_PC_PREFIX@
libdir=${prefix}/@CMAKE_INSTALL_LIBDIR@
includedir=${prefix}/@CMAKE_INSTALL_INCLUDEDIR@

Name: blobsmith-reader
Description: Reads blobsmith pack files from memory, callbacks or files
Version: @PROJECT_VERSION@
Libs: -L${libdir} -lblobsmith-reader
Cflags: -I${includedir}
]=])
# blobsmith_install_pc(<name>): installs <name>.pc made from <name>.pc.in in
# the build tree.
function(blobsmith_install_pc name)
  install(CODE "
    set(BLOBSMITH_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    set(CMAKE_INSTALL_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
    set(CMAKE_INSTALL_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
    set(PROJECT_VERSION \"${PROJECT_VERSION}\")
    configure_file(\"${PROJECT_BINARY_DIR}/${name}.pc.in\" \"${PROJECT_BINARY_DIR}/${name}.pc\" @ONLY)
    file(INSTALL \"${PROJECT_BINARY_DIR}/${name}.pc\"
      DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\")
  " COMPONENT development)
endfunction()
blobsmith_install_pc(blobsmith-reader)

include(${CMAKE_CURRENT_LIST_DIR}/bindings.cmake)

# cpack -G DEB: one package per component.
set(BLOBSMITH_PACKAGE_CONTACT "blobsmith maintainers <maintainers@blobsmith.invalid>"
  CACHE STRING "Maintainer named in the Debian packages")
set(CPACK_PACKAGE_NAME blobsmith)
set(CPACK_PACKAGE_VENDOR "blobsmith")
set(CPACK_PACKAGE_CONTACT ${BLOBSMITH_PACKAGE_CONTACT})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# No CPACK_PACKAGE_DESCRIPTION_SUMMARY: CPack would put it before every
# component's description, and each of those begins with its own synopsis.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tool library development python)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_TOOL_PACKAGE_NAME blobsmith)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOL_DESCRIPTION [=[packs a directory tree into one block-aligned pack file
blobsmith packs the files of a directory tree into one flat pack file of
512-byte blocks, with a table of names, offsets and sizes and a trailing
checksum, and unpacks, lists and verifies such files.]=])
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libblobsmith-reader0)
set(CPACK_COMPONENT_LIBRARY_DESCRIPTION [=[run-time reader of blobsmith pack files
A small C library that opens blobsmith pack files from memory, through read
callbacks or from files, and looks up and reads their members from many
threads at once, without allocating when given storage.]=])
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libblobsmith-reader-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libblobsmith-reader0 (= ${PROJECT_VERSION}-1)")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION [=[run-time reader of blobsmith pack files (development files)
The header, the static library, the CMake package and the pkg-config file
for building programs against the blobsmith pack reader.]=])
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-blobsmith)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
  "libblobsmith-reader${PROJECT_VERSION_MAJOR} (>= ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0), python3:any")
set(CPACK_COMPONENT_PYTHON_DESCRIPTION [=[run-time reader of blobsmith pack files (Python 3 module)
The module blobsmith opens blobsmith pack files from paths or bytes, lists
and reads their members, walks their directories and checks them, through
the shared library with ctypes; python3 -m blobsmith lists, prints and
verifies packs from the command line.]=])
# The library package names, for each exported function, the release that
# brought it (cmake/package/libblobsmith-reader0.symbols), so a program
# depends on the earliest library that has every call it uses; its shlibs
# file, for tools that do not read symbols, asks for this minor release or
# later rather than this exact revision. dpkg runs ldconfig through the
# ldconfig trigger. (CPack 3.25 also writes a postinst and postrm calling
# ldconfig for any library under /usr/lib: lintian's
# maintscript-calls-ldconfig, redundant and harmless.)
file(WRITE ${PROJECT_BINARY_DIR}/deb/triggers "activate-noawait ldconfig\n")
file(WRITE ${PROJECT_BINARY_DIR}/deb/shlibs "libblobsmith-reader ${PROJECT_VERSION_MAJOR} \
libblobsmith-reader${PROJECT_VERSION_MAJOR} (>= ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0)\n")
configure_file(${PROJECT_SOURCE_DIR}/cmake/package/libblobsmith-reader0.symbols
  ${PROJECT_BINARY_DIR}/deb/symbols COPYONLY)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA
  ${PROJECT_BINARY_DIR}/deb/triggers ${PROJECT_BINARY_DIR}/deb/shlibs ${PROJECT_BINARY_DIR}/deb/symbols)
# Both library packages may be installed for several architectures at once
# (Multi-Arch: same): what they hold lies in the multiarch directory or is
# the same on every architecture. CPack 3.25 has no variable for the field,
# so it follows the section, whose value CPack writes as it is given.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION "libs\nMulti-Arch: same")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION "libdevel\nMulti-Arch: same")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Let dpkg-shlibdeps name the packages the programs need.
find_program(BLOBSMITH_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(BLOBSMITH_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
if(UNIX AND NOT APPLE AND NOT CMAKE_CROSSCOMPILING)
  set(CPACK_GENERATOR DEB)
endif()
include(CPack)

# tests/install/run.sh: install.tree installs into a scratch prefix in the
# build tree and checks it; the others build programs against that prefix.
# install.deb makes and checks the packages from a build of its own.
if(BUILD_TESTING AND NOT WIN32 AND NOT CMAKE_CROSSCOMPILING)
  # Programs linked with a sanitized reader need the sanitizers' run-times.
  # clang's check of calls through function pointers gives the reader's code
  # references into the C++ part of its run-time and into the C++ library,
  # which a C program's link does not bring by itself. An instrumented
  # library also exports symbols of its own, so the symbol check runs only
  # on a plain build.
  set(blobsmith_consumer_link "")
  if(BLOBSMITH_SANITIZE)
    set(blobsmith_consumer_link -fsanitize=address,undefined)
    if(CMAKE_C_COMPILER_ID MATCHES "Clang")
      list(APPEND blobsmith_consumer_link -fsanitize-link-c++-runtime -lstdc++)
    endif()
  elseif(BLOBSMITH_TSAN)
    set(blobsmith_consumer_link -fsanitize=thread)
  endif()
  list(JOIN blobsmith_consumer_link " " blobsmith_consumer_link)
  foreach(step tree c cmake plugin symbols bindings)
    if(step STREQUAL "symbols" AND blobsmith_consumer_link)
      continue()
    endif()
    add_test(NAME install.${step} COMMAND sh ${PROJECT_SOURCE_DIR}/tests/install/run.sh ${step}
      ${PROJECT_BINARY_DIR}/install-test ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR} $<CONFIG>
      ${PROJECT_VERSION} ${CMAKE_INSTALL_LIBDIR} ${CMAKE_COMMAND} ${CMAKE_C_COMPILER}
      ${CMAKE_CXX_COMPILER} "${blobsmith_consumer_link}")
    if(step STREQUAL "tree")
      set_tests_properties(install.tree PROPERTIES FIXTURES_SETUP blobsmith_installed)
    else()
      set_tests_properties(install.${step} PROPERTIES FIXTURES_REQUIRED blobsmith_installed)
    endif()
  endforeach()
  # A project packing a tree with blobsmith_add_pack, under each generator.
  foreach(generator IN ITEMS "Unix Makefiles" Ninja)
    string(REGEX REPLACE "[^A-Za-z]" "" name "${generator}")
    add_test(NAME install.pack_${name} COMMAND sh ${PROJECT_SOURCE_DIR}/tests/install/pack_build.sh
      ${PROJECT_BINARY_DIR}/install-test ${PROJECT_SOURCE_DIR} ${CMAKE_COMMAND} ${generator})
    set_tests_properties(install.pack_${name} PROPERTIES FIXTURES_REQUIRED blobsmith_installed
      SKIP_RETURN_CODE 77)
  endforeach()
  add_test(NAME install.deb COMMAND sh ${PROJECT_SOURCE_DIR}/tests/install/deb.sh
    ${PROJECT_BINARY_DIR}/deb-test ${PROJECT_SOURCE_DIR} ${CMAKE_COMMAND} ${CMAKE_CPACK_COMMAND}
    ${CMAKE_GENERATOR} ${CMAKE_C_COMPILER} ${CMAKE_CXX_COMPILER} ${PROJECT_VERSION}
    "${CMAKE_LIBRARY_ARCHITECTURE}")
  set_tests_properties(install.deb PROPERTIES SKIP_RETURN_CODE 77 PROCESSORS 2)
endif()
