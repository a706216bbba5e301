// Mode selection.
#include "cli/dispatch.h"

#include <cstdio>
#include <cstring>

#include "cli/commands.h"
#include "inspect/list.h"
#include "inspect/verify.h"
#include "pack/command.h"
#include "platform/io.h"
#include "unpack/command.h"

namespace blobsmith {

Mode find_mode(const char* const* argv) {
  if (argv == nullptr || argv[0] == nullptr) return MODE_NONE;
  static constexpr struct {
    const char* word;
    Mode mode;
  } kWords[] = {{"--pack", MODE_PACK},
                {"--unpack", MODE_UNPACK},
                {"--list", MODE_LIST},
                {"--verify", MODE_VERIFY}};
  Mode mode = MODE_NONE;
  Mode asked = MODE_NONE;
  for (const char* const* arg = argv + 1; *arg != nullptr; ++arg) {
    for (const auto& word : kWords) {
      if (mode == MODE_NONE && std::strcmp(*arg, word.word) == 0) mode = word.mode;
    }
    if (asked == MODE_NONE && std::strcmp(*arg, "--help") == 0) asked = MODE_HELP;
    if (asked == MODE_NONE && std::strcmp(*arg, "--version") == 0) asked = MODE_VERSION;
  }
  // Help and the version line are asked for wherever they stand, before any
  // option of a mode could be refused.
  return asked != MODE_NONE ? asked : mode;
}

int run_command_line(char** argv) {
  prepare_process();
  int status = RUN_DONE;
  switch (find_mode(argv)) {
    case MODE_PACK:
      status = run_pack_command(argv);
      break;
    case MODE_UNPACK:
      status = run_unpack_command(argv);
      break;
    case MODE_LIST:
      status = run_list_command(argv);
      break;
    case MODE_VERIFY:
      status = run_verify_command(argv);
      break;
    case MODE_HELP:
      print_help();
      break;
    case MODE_VERSION:
      print_version_line();
      break;
    case MODE_NONE:
      print_pack_usage();
      print_unpack_usage();
      break;
  }
  std::fflush(stdout);
  return status;
}

}  // namespace blobsmith
