# Reliability: the fault-injection test binary, the reader's thread and
# allocation tests, and the fuzz targets.
#
# blobsmith_reliability_test is linked with --wrap for every call of the
# file and directory seam, so its tests can fail any one of them or act just
# before it. The fuzz targets build as plain programs
# that replay fuzz/corpus/<target> under CTest; with -DBLOBSMITH_LIBFUZZER=ON
# and clang they also build as libFuzzer programs (<target>), instrumented
# with AddressSanitizer and UndefinedBehaviorSanitizer.

if(WIN32 OR NOT BUILD_TESTING)
  if(NOT BLOBSMITH_LIBFUZZER)
    return()
  endif()
endif()

set(BLOBSMITH_SEAM_CALLS
  io_open io_create_new io_create_temp io_keep_temp
  io_read io_write io_read_at io_write_at io_seek io_tell io_status io_close
  dir_search_open dir_search_next out_dir_open out_dir_open_level out_dir_create_file
  out_dir_replace_file out_dir_identity path_status path_rename path_touch)
list(JOIN BLOBSMITH_SEAM_CALLS ",--wrap=" blobsmith_wrap_list)

set(BLOBSMITH_FUZZ_TARGETS extract_pack_fuzz reader_fuzz options_fuzz)
# The option walks are fuzzed with every open, directory search, look at a
# path and naming of a temporary file refused, so arbitrary paths on the
# command line touch nothing.
set(BLOBSMITH_SANDBOX_WRAP
  "LINKER:--wrap=io_open,--wrap=io_create_new,--wrap=io_create_temp,--wrap=io_keep_temp,\
--wrap=dir_search_open,--wrap=out_dir_open,--wrap=path_status")

function(blobsmith_add_fuzz_sources target name)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/fuzz/${name}.cc)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/fuzz)
  if(name STREQUAL "options_fuzz")
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/fuzz/sandbox_io.cc)
    target_link_options(${target} PRIVATE ${BLOBSMITH_SANDBOX_WRAP})
  endif()
endfunction()

if(BUILD_TESTING AND NOT WIN32)
  add_executable(blobsmith_reliability_test
    tests/reliability/hostile_test.cc
    tests/reliability/injected_faults_test.cc
    tests/reliability/interrupted_test.cc
    tests/support/fault_io.cc
    tests/support/pack_image.cc
    tests/support/test_support.cc
  )
  target_include_directories(blobsmith_reliability_test PRIVATE src tests)
  target_link_libraries(blobsmith_reliability_test PRIVATE
    blobsmith_core GTest::gtest GTest::gtest_main)
  target_compile_options(blobsmith_reliability_test PRIVATE ${BLOBSMITH_WARNINGS})
  # The interrupted runs are runs of the built tool, ended by real signals.
  target_compile_definitions(blobsmith_reliability_test PRIVATE
    BLOBSMITH_TOOL_PATH="$<TARGET_FILE:blobsmith>")
  add_dependencies(blobsmith_reliability_test blobsmith)
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
  target_compile_options(blobsmith_core PRIVATE ${blobsmith_fuzz_flags})
  target_compile_options(blobsmith_reader_static PRIVATE ${blobsmith_fuzz_flags})
  foreach(name IN LISTS BLOBSMITH_FUZZ_TARGETS)
    add_executable(${name})
    blobsmith_add_fuzz_sources(${name} ${name})
    target_link_libraries(${name} PRIVATE blobsmith_core)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  endforeach()
endif()
