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

# Static runtime: the programs and the reader's DLL import from KERNEL32.dll
# and msvcrt.dll only, so they run without the compiler's DLLs beside them.
get_property(blobsmith_windows_targets DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/.. PROPERTY BUILDSYSTEM_TARGETS)
foreach(target IN LISTS blobsmith_windows_targets)
  get_target_property(target_type ${target} TYPE)
  if(target_type MATCHES "^(EXECUTABLE|SHARED_LIBRARY)$")
    target_link_options(${target} PRIVATE -static)
  endif()
endforeach()
# The program that is shipped carries no symbol table.
target_link_options(blobsmith PRIVATE $<$<CONFIG:Release,MinSizeRel>:-s>)

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

# The Windows side of the output tree's seam, names on their way to the
# wide calls and refused by rule, and a run of the built tool killed while it
# writes its pack.
target_sources(blobsmith_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/out_dir_win32_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/names_win32_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/killed_run_win32_test.cc)
# (Wine shows the build machine's root as drive Z:.)
target_compile_definitions(blobsmith_test PRIVATE BLOBSMITH_TOOL_PATH="Z:$<TARGET_FILE:blobsmith>")
add_dependencies(blobsmith_test blobsmith)

# The black-box cases run blobsmith.exe through the same emulator; the
# Windows runtime ends each console line in CR LF, and the CR is dropped
# before the comparison. Wine reads the arguments in the locale's encoding:
# under C it garbles every one that is not ASCII.
list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " blobsmith_windows_runner)
set(blobsmith_windows_environment
  "BLOBSMITH_RUNNER=${blobsmith_windows_runner};BLOBSMITH_STRIP_CR=1;LC_ALL=C.UTF-8")
# Cases of the Windows build alone: devices at the output.
add_test(NAME cli.windows_devices
  COMMAND sh ${PROJECT_SOURCE_DIR}/tests/cli/run.sh $<TARGET_FILE:blobsmith>
    ${PROJECT_SOURCE_DIR}/tests/windows/devices.sh)
get_property(blobsmith_windows_tests DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/.. PROPERTY TESTS)
foreach(test_name IN LISTS blobsmith_windows_tests)
  if(test_name MATCHES "^cli\\.(.*)$")
    set_tests_properties(${test_name} PROPERTIES ENVIRONMENT "${blobsmith_windows_environment}")
  endif()
endforeach()

# Names printed to a console, where script(1) can give Wine one.
find_program(BLOBSMITH_SCRIPT script)
if(BLOBSMITH_SCRIPT)
  add_test(NAME windows.console_names
    COMMAND sh ${PROJECT_SOURCE_DIR}/tests/windows/console_names.sh $<TARGET_FILE:blobsmith>)
  # Alone: Wine started under script(1) belongs to the terminal's session,
  # and a server it starts ends with that session.
  set_tests_properties(windows.console_names PROPERTIES
    ENVIRONMENT "${blobsmith_windows_environment}" RUN_SERIAL TRUE)
endif()

# The same tree packed by a Linux build and by this one, with
# SOURCE_DATE_EPOCH set: the same bytes.
set(BLOBSMITH_LINUX_TOOL "" CACHE FILEPATH "A Linux build of blobsmith to compare the Windows build with")
if(BLOBSMITH_LINUX_TOOL)
  add_test(NAME windows.same_pack_as_linux
    COMMAND sh ${PROJECT_SOURCE_DIR}/tests/windows/same_pack_as_linux.sh ${BLOBSMITH_LINUX_TOOL}
      $<TARGET_FILE:blobsmith> ${PROJECT_SOURCE_DIR}/examples/res)
  set_tests_properties(windows.same_pack_as_linux PROPERTIES
    ENVIRONMENT "${blobsmith_windows_environment}")
endif()
