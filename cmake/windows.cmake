# The Windows build: a single static console program carrying its
# application manifest, and, when cross-built, GoogleTest made from source
# and every test run under the emulator named by the toolchain file.
if(NOT WIN32)
  return()
endif()

# Only the Windows build compiles a resource script.
enable_language(RC)
target_sources(blobsmith PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../windows/blobsmith.rc)
set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/../windows/blobsmith.rc APPEND PROPERTY
  OBJECT_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/../windows/blobsmith.manifest)

# Static runtime: the programs import from KERNEL32.dll and msvcrt.dll only,
# so they run without the compiler's DLLs beside them.
get_property(blobsmith_windows_targets DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/.. PROPERTY BUILDSYSTEM_TARGETS)
foreach(target IN LISTS blobsmith_windows_targets)
  get_target_property(target_type ${target} TYPE)
  if(target_type STREQUAL "EXECUTABLE")
    target_link_options(${target} PRIVATE -static)
  endif()
endforeach()

if(NOT CMAKE_CROSSCOMPILING OR NOT BUILD_TESTING)
  return()
endif()

# GoogleTest for the target, from the source tree Debian's googletest
# package installs; the host's libgtest cannot be linked into a Windows
# program.
set(BLOBSMITH_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${BLOBSMITH_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The unit tests' few POSIX calls, and the tests of the Windows side of the
# file and directory seam.
target_compile_options(blobsmith_test PRIVATE
  -include ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/posix_test_compat.h)
target_sources(blobsmith_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/io_win32_test.cc)
