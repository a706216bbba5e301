// The --unpack mode: its option walk.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "cli/commands.h"
#include "format/pack_format.h"
#include "unpack/extract.h"

int run_unpack_command(char** argv) {
  print_unpack_usage();
  const char* input = "res.bin";
  const char* output = "res";
  for (char** arg = argv + 1; *arg != nullptr; ++arg) {
    const bool is_input = std::strcmp(*arg, "-i") == 0;
    if (is_input || std::strcmp(*arg, "-o") == 0) {
      if (arg[1] == nullptr) break;  // an option without a value ends the walk
      ++arg;
      (is_input ? input : output) = *arg;
    } else if (std::strcmp(*arg, "-v") == 0) {
      print_version_line();
      return 0;
    }
  }
  // A value that would not fit the tool's path buffers is refused whole:
  // a cut name would read or write somewhere other than what was asked.
  for (const char* value : {input, output}) {
    if (std::strlen(value) > static_cast<size_t>(PATH_MAX_LENGTH)) {
      std::printf("%s path name is too long, nothing extracted !!!\n", value);
      return 0;
    }
  }
  extract_pack(input, output);
  return 0;
}
