# Reliability: the fault-injection test binary and the fuzz targets.
#
# blobsmith_reliability_test is linked with --wrap for every call of the
# file and directory seam, so its tests can fail any one of them. The fuzz
# targets build as plain programs that replay fuzz/corpus/<target> under
# CTest; with -DBLOBSMITH_LIBFUZZER=ON and clang they also build as libFuzzer
# programs (<target>), instrumented with AddressSanitizer and
# UndefinedBehaviorSanitizer over their own copy of the core library.

if(WIN32)
  return()
endif()

set(BLOBSMITH_SEAM_CALLS
  io_open io_create_member io_read io_write io_seek io_tell io_close
  dir_search_open dir_search_next dir_search_close make_directory)
list(JOIN BLOBSMITH_SEAM_CALLS ",--wrap=" blobsmith_wrap_list)

set(BLOBSMITH_FUZZ_TARGETS extract_pack_fuzz decode_fuzz options_fuzz)
# The option walk is fuzzed with every open, directory search and directory
# creation refused, so arbitrary paths on the command line touch nothing.
set(BLOBSMITH_FUZZ_SANDBOXED options_fuzz)
set(BLOBSMITH_SANDBOX_WRAP "LINKER:--wrap=io_open,--wrap=io_create_member,--wrap=dir_search_open,--wrap=make_directory")

function(blobsmith_add_fuzz_sources target name)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/fuzz/${name}.cc)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/fuzz)
  if(name IN_LIST BLOBSMITH_FUZZ_SANDBOXED)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/fuzz/sandbox_io.cc)
    target_link_options(${target} PRIVATE ${BLOBSMITH_SANDBOX_WRAP})
  endif()
endfunction()

if(BUILD_TESTING)
  add_executable(blobsmith_reliability_test
    tests/reliability/hostile_pack_test.cc
    tests/reliability/injected_faults_test.cc
    tests/reliability/full_disk_test.cc
    tests/reliability/output_tree_test.cc
    tests/reliability/tree_snapshot.cc
    tests/support/fault_io.cc
    tests/support/test_support.cc
  )
  target_include_directories(blobsmith_reliability_test PRIVATE src tests)
  target_link_libraries(blobsmith_reliability_test PRIVATE
    blobsmith_core GTest::gtest GTest::gtest_main)
  target_compile_options(blobsmith_reliability_test PRIVATE ${BLOBSMITH_WARNINGS})
  target_link_options(blobsmith_reliability_test PRIVATE "LINKER:--wrap=${blobsmith_wrap_list}")
  gtest_discover_tests(blobsmith_reliability_test DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

  # Each fuzz target replays its committed corpus as an ordinary test.
  foreach(name IN LISTS BLOBSMITH_FUZZ_TARGETS)
    add_executable(${name}_replay fuzz/replay_main.cc)
    blobsmith_add_fuzz_sources(${name}_replay ${name})
    target_link_libraries(${name}_replay PRIVATE blobsmith_core)
    target_compile_options(${name}_replay PRIVATE ${BLOBSMITH_WARNINGS})
    add_test(NAME fuzz.${name}
      COMMAND ${name}_replay ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${name})
  endforeach()
endif()

if(BLOBSMITH_LIBFUZZER)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "BLOBSMITH_LIBFUZZER needs clang (set CMAKE_CXX_COMPILER=clang++)")
  endif()
  set(blobsmith_fuzz_flags -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
  get_target_property(blobsmith_core_sources blobsmith_core SOURCES)
  add_library(blobsmith_fuzz_core STATIC ${blobsmith_core_sources})
  target_include_directories(blobsmith_fuzz_core PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_definitions(blobsmith_fuzz_core PRIVATE BLOBSMITH_VERSION="${PROJECT_VERSION}")
  target_compile_options(blobsmith_fuzz_core PRIVATE ${blobsmith_fuzz_flags})
  foreach(name IN LISTS BLOBSMITH_FUZZ_TARGETS)
    add_executable(${name})
    blobsmith_add_fuzz_sources(${name} ${name})
    target_link_libraries(${name} PRIVATE blobsmith_fuzz_core)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  endforeach()
endif()
