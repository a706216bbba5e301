# The bindings beside the reader, each built only when what it binds to is
# found, and never in the Windows build: a PhysicsFS 3 archiver
# (blobsmith/physfs.h) and an SDL2 SDL_RWops over a member (blobsmith/sdl.h),
# each a small static, position-independent library linking the shared
# reader, with its CMake target (components physfs and sdl) and pkg-config
# file; and the Python 3 module blobsmith over the shared library (package
# python3-blobsmith), whose constants are read from reader.h here. Each has
# a test that packs examples/res (with a picture added for SDL) with the
# tool just built and holds the binding to the tree, byte for byte.
if(WIN32)
  return()
endif()

find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(BLOBSMITH_PHYSFS QUIET IMPORTED_TARGET physfs>=3.0)
  pkg_check_modules(BLOBSMITH_SDL2 QUIET IMPORTED_TARGET sdl2)
endif()
set(BLOBSMITH_BINDING_DIR ${PROJECT_BINARY_DIR}/bindings)
file(MAKE_DIRECTORY ${BLOBSMITH_BINDING_DIR})

# blobsmith_binding(<name> <pkg-config module> <imported target>): the library
# blobsmith-<name> from src/<name>/, its test src/<name>/<...>_test.c run by
# the shell commands given after TEST.
function(blobsmith_binding name module dependency source test)
  add_library(blobsmith_${name} STATIC src/${name}/${source})
  target_include_directories(blobsmith_${name} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include> $<INSTALL_INTERFACE:include>)
  target_link_libraries(blobsmith_${name} PUBLIC blobsmith_reader $<LINK_ONLY:${dependency}>)
  target_compile_options(blobsmith_${name} PRIVATE ${BLOBSMITH_WARNINGS})
  set_target_properties(blobsmith_${name} PROPERTIES OUTPUT_NAME blobsmith-${name}
    POSITION_INDEPENDENT_CODE ON C_STANDARD 99 C_STANDARD_REQUIRED ON EXPORT_NAME ${name})
  add_library(blobsmith::${name} ALIAS blobsmith_${name})
  install(TARGETS blobsmith_${name} EXPORT blobsmith-${name}-targets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  install(EXPORT blobsmith-${name}-targets NAMESPACE blobsmith::
    DESTINATION ${BLOBSMITH_INSTALL_CMAKEDIR} COMPONENT development)
  install(FILES ${PROJECT_SOURCE_DIR}/include/blobsmith/${name}.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/blobsmith COMPONENT development)
  file(WRITE ${PROJECT_BINARY_DIR}/blobsmith-${name}.pc.in "\
prefix=@BLOBSMITH_PC_PREFIX@
libdir=\${prefix}/@CMAKE_INSTALL_LIBDIR@
includedir=\${prefix}/@CMAKE_INSTALL_INCLUDEDIR@

Name: blobsmith-${name}
Description: blobsmith packs through ${module}
Version: @PROJECT_VERSION@
Requires: blobsmith-reader ${module}
Libs: -L\${libdir} -lblobsmith-${name}
Cflags: -I\${includedir}
")
  blobsmith_install_pc(blobsmith-${name})
  if(BUILD_TESTING)
    get_filename_component(test_name ${test} NAME_WE)
    add_executable(${test_name} src/${name}/${test})
    target_link_libraries(${test_name} PRIVATE blobsmith_${name} ${dependency})
    target_compile_options(${test_name} PRIVATE ${BLOBSMITH_WARNINGS})
    set_target_properties(${test_name} PROPERTIES C_STANDARD 99)
    if(BLOBSMITH_SANITIZE)
      # clang's check of calls through function pointers gives the reader
      # references into the C++ part of its run-time, which only a C++ link
      # brings.
      set_target_properties(${test_name} PROPERTIES LINKER_LANGUAGE CXX)
    endif()
  endif()
endfunction()

if(BLOBSMITH_PHYSFS_FOUND)
  blobsmith_binding(physfs physfs PkgConfig::BLOBSMITH_PHYSFS physfs_archiver.c physfs_test.c)
  if(BUILD_TESTING)
    add_test(NAME bindings.physfs COMMAND sh -c "rm -rf physfs && mkdir physfs && cd physfs && \
\"$0\" --pack -q -i \"$1\" -o res.bin >/dev/null && \"$2\" res.bin \"$1\""
      $<TARGET_FILE:blobsmith> ${PROJECT_SOURCE_DIR}/examples/res $<TARGET_FILE:physfs_test>)
    set_tests_properties(bindings.physfs PROPERTIES WORKING_DIRECTORY ${BLOBSMITH_BINDING_DIR}
      ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/src/physfs/physfs_leaks.supp")
  endif()
endif()

if(BLOBSMITH_SDL2_FOUND)
  blobsmith_binding(sdl sdl2 PkgConfig::BLOBSMITH_SDL2 sdl_rwops.c sdl_rwops_test.c)
  if(BUILD_TESTING)
    add_test(NAME bindings.sdl COMMAND sh -c "rm -rf sdl && mkdir sdl && cp -R \"$1\" sdl/tree && \
\"$2\" bmp sdl/tree/picture.bmp && \"$0\" --pack -q -i sdl/tree -o sdl/res.bin >/dev/null && \
\"$2\" sdl/res.bin sdl/tree"
      $<TARGET_FILE:blobsmith> ${PROJECT_SOURCE_DIR}/examples/res $<TARGET_FILE:sdl_rwops_test>)
    set_tests_properties(bindings.sdl PROPERTIES WORKING_DIRECTORY ${BLOBSMITH_BINDING_DIR}
      ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy")
  endif()
endif()

# The Python module: its sources and the header's constants, made here.
set(BLOBSMITH_PYTHON_DIR ${PROJECT_BINARY_DIR}/python/blobsmith)
foreach(module __init__.py __main__.py)
  configure_file(${PROJECT_SOURCE_DIR}/src/python/blobsmith/${module} ${BLOBSMITH_PYTHON_DIR}/${module}
    COPYONLY)
endforeach()
# The test runs beside the module made here, which its folder comes first
# on the interpreter's path.
configure_file(${PROJECT_SOURCE_DIR}/src/python/blobsmith_test.py
  ${PROJECT_BINARY_DIR}/python/blobsmith_test.py COPYONLY)
file(STRINGS ${PROJECT_SOURCE_DIR}/include/blobsmith/reader.h blobsmith_defines
  REGEX "^#define BLOBSMITH_[A-Z_]+ +\\(?-?[0-9]+u?\\)?( |$)")
set(blobsmith_constants "# Made from blobsmith/reader.h when the module is built.\n")
foreach(line IN LISTS blobsmith_defines)
  string(REGEX REPLACE "^#define BLOBSMITH_([A-Z_]+) +\\(?(-?[0-9]+)u?\\)?.*$" "\\1 = \\2" constant "${line}")
  string(APPEND blobsmith_constants "${constant}\n")
endforeach()
file(CONFIGURE OUTPUT ${BLOBSMITH_PYTHON_DIR}/_reader_h.py CONTENT "${blobsmith_constants}")
install(DIRECTORY ${BLOBSMITH_PYTHON_DIR} DESTINATION lib/python3/dist-packages COMPONENT python
  PATTERN __pycache__ EXCLUDE)
find_program(BLOBSMITH_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
# (A sanitized library cannot be loaded into an interpreter that is not.)
if(BUILD_TESTING AND BLOBSMITH_SYSTEM_PYTHON AND NOT BLOBSMITH_SANITIZE AND NOT BLOBSMITH_TSAN)
  add_test(NAME bindings.python COMMAND sh -c "rm -rf python && mkdir python && \
\"$0\" --pack -q -i \"$1\" -o python/res.bin >/dev/null && \
BLOBSMITH_READER_LIBRARY=\"$2\" \"$3\" \"$4\" \"$5\" python/res.bin \"$1\""
    $<TARGET_FILE:blobsmith> ${PROJECT_SOURCE_DIR}/examples/res
    $<TARGET_FILE:blobsmith_reader> ${BLOBSMITH_SYSTEM_PYTHON}
    ${PROJECT_BINARY_DIR}/python/blobsmith_test.py ${PROJECT_SOURCE_DIR}/include/blobsmith/reader.h)
  set_tests_properties(bindings.python PROPERTIES WORKING_DIRECTORY ${BLOBSMITH_BINDING_DIR})
endif()
