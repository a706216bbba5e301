// The process entry on Windows: the command line is taken in UTF-16, as
// Windows keeps it, and handed on in UTF-8, the tool's own text, so an
// argument may name any file. (An unpaired surrogate, which no UTF-8 can
// hold, becomes U+FFFD.)
#include <windows.h>

#include <string>
#include <vector>

#include "cli/dispatch.h"

int wmain(const int argc, wchar_t** argv) {
  std::vector<std::string> arguments(static_cast<size_t>(argc));
  std::vector<char*> pointers;
  for (int i = 0; i < argc; ++i) {
    std::string& argument = arguments[static_cast<size_t>(i)];
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    argument.resize(bytes > 0 ? static_cast<size_t>(bytes) : 1);
    if (bytes > 0)
      WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, &argument[0], bytes, nullptr, nullptr);
    pointers.push_back(&argument[0]);
  }
  pointers.push_back(nullptr);
  return blobsmith::run_command_line(pointers.data());
}
