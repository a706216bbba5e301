// The option walk and text display shared by --list and --verify.
#include "inspect/inspect_common.h"

#include <cstring>

#include "cli/commands.h"

int read_inspect_options(char** argv, const char** input) {
  for (char** arg = argv + 1; *arg != nullptr; ++arg) {
    if (std::strcmp(*arg, "-i") == 0) {
      if (arg[1] == nullptr) break;  // an option without a value ends the walk
      *input = *++arg;
    } else if (std::strcmp(*arg, "-v") == 0) {
      print_version_line();
      return 1;
    }
  }
  return 0;
}

void printable_text(const char* field, const size_t size, char* out) {
  size_t i = 0;
  for (; i < size && field[i] != '\0'; ++i) {
    const unsigned char c = static_cast<unsigned char>(field[i]);
    out[i] = (c < 0x20 || c == 0x7F) ? '?' : field[i];
  }
  out[i] = '\0';
}
