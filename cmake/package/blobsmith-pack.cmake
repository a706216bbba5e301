# blobsmith_add_pack(<target> OUTPUT <file> SOURCE_DIR <dir>
#                    [IGNORE <name>...] [MACHINE <flag>])
#
# Packs SOURCE_DIR into OUTPUT with blobsmith::blobsmith, and adds <target>,
# built by default, that depends on the pack. The pack is made again
# exactly when a file it holds, or a directory it walked, changes: the tool
# writes a dependency file beside OUTPUT (OUTPUT.d) naming them. The run is
# --strict: a file left out, zero-filled or reported fails the build and
# leaves no up-to-date pack behind, so the next build fails again.
# Relative OUTPUT is below the current binary directory, relative
# SOURCE_DIR below the current source directory. IGNORE names are -g
# names (bare names, or patterns); they may not begin with "-".
#
# Part of the blobsmith package: find_package(blobsmith COMPONENTS tool).

# The dependency file names absolute paths; Ninja reads it as CMake 3.20
# and later describe, and the Makefile generators read it at all.
cmake_policy(SET CMP0116 NEW)

function(blobsmith_add_pack target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "OUTPUT;SOURCE_DIR;MACHINE" "IGNORE")
  if(NOT arg_OUTPUT OR NOT arg_SOURCE_DIR)
    message(FATAL_ERROR "blobsmith_add_pack(${target}) needs OUTPUT and SOURCE_DIR")
  endif()
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "blobsmith_add_pack(${target}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TARGET blobsmith::blobsmith)
    message(FATAL_ERROR "blobsmith_add_pack(${target}): find_package(blobsmith COMPONENTS tool) first")
  endif()
  foreach(name IN LISTS arg_IGNORE)
    if(name MATCHES "^-")
      message(FATAL_ERROR "blobsmith_add_pack(${target}): IGNORE name ${name} begins with \"-\"")
    endif()
  endforeach()
  get_filename_component(output "${arg_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  get_filename_component(source "${arg_SOURCE_DIR}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  set(command blobsmith::blobsmith --pack -q --strict -i "${source}" -o "${output}"
    --depfile "${output}.d")
  if(DEFINED arg_MACHINE)
    list(APPEND command -m "${arg_MACHINE}")
  endif()
  if(arg_IGNORE)
    list(APPEND command -g ${arg_IGNORE})
  endif()
  # The Makefile generators of CMake 3.20 to 3.25 add each new dependency
  # file's names to those they already hold for the target and never drop
  # one, so a deleted file would make every later build pack again. Their
  # record is removed after each pack; the next build reads it anew from
  # the dependency file alone.
  set(forget_old_names "")
  if(CMAKE_GENERATOR MATCHES "Makefiles")
    set(forget_old_names COMMAND "${CMAKE_COMMAND}" -E rm -f
      "${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/${target}.dir/compiler_depend.internal")
  endif()
  add_custom_command(OUTPUT "${output}"
    COMMAND ${command}
    ${forget_old_names}
    DEPFILE "${output}.d"
    DEPENDS blobsmith::blobsmith
    COMMENT "Packing ${source} into ${output}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS "${output}")
endfunction()
