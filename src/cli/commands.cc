// Mode selection, the usage boxes and the version line.
#include "cli/commands.h"

#include <cstdio>
#include <cstring>

#include "inspect/list.h"
#include "inspect/verify.h"
#include "pack/command.h"
#include "platform/io.h"
#include "unpack/extract.h"

#ifndef BLOBSMITH_VERSION
#error "BLOBSMITH_VERSION must be defined by the build"
#endif

Mode find_mode(const char* const* argv) {
  if (argv == nullptr || argv[0] == nullptr) return MODE_NONE;
  for (const char* const* arg = argv + 1; *arg != nullptr; ++arg) {
    if (std::strcmp(*arg, "--pack") == 0) return MODE_PACK;
    if (std::strcmp(*arg, "--unpack") == 0) return MODE_UNPACK;
    if (std::strcmp(*arg, "--list") == 0) return MODE_LIST;
    if (std::strcmp(*arg, "--verify") == 0) return MODE_VERIFY;
  }
  return MODE_NONE;
}

int run_command_line(char** argv) {
  prepare_process_io();
  int status = 0;
  switch (find_mode(argv)) {
    case MODE_PACK:
      run_pack_command(argv);
      break;
    case MODE_UNPACK:
      run_unpack_command(argv);
      break;
    case MODE_LIST:
      run_list_command(argv);
      break;
    case MODE_VERIFY:
      // The one mode whose outcome shows in the exit status, so a build
      // script can stop on a damaged pack.
      status = run_verify_command(argv);
      break;
    case MODE_NONE:
      print_pack_usage();
      print_unpack_usage();
      break;
  }
  std::fflush(stdout);
  return status;
}

void print_pack_usage() {
  std::fputs(
      "================================================================\n"
      "|                                                              |\n"
      "| Usage:                                                       |\n"
      "| blobsmith --pack -o output_file -i input_dir -g ignore_file  |\n"
      "|  -o ---- output file name, default is \"res.bin\"              |\n"
      "|  -i ---- input directory path name, default is \"res\"         |\n"
      "|  -g ---- ignore file or path name                            |\n"
      "|  -m ---- machine flag, default is \"q5\"                       |\n"
      "|  -v ---- this tools version                                  |\n"
      "|                                                              |\n"
      "| example:                                                     |\n"
      "|   blobsmith --pack -o res.bin -i res -g .svn                 |\n"
      "================================================================\n",
      stdout);
}

void print_unpack_usage() {
  std::fputs(
      "================================================================\n"
      "|                                                              |\n"
      "| Usage:                                                       |\n"
      "| blobsmith --unpack -o output_dir -i input_file               |\n"
      "|  -o ---- output dir name, default is \"res\"                   |\n"
      "|  -i ---- input file name, default is \"res.bin\"               |\n"
      "|  -v ---- this tools version                                  |\n"
      "|                                                              |\n"
      "| example:                                                     |\n"
      "|   blobsmith --unpack -o res -i res.bin                       |\n"
      "================================================================\n",
      stdout);
}

void print_list_usage() {
  std::fputs(
      "================================================================\n"
      "|                                                              |\n"
      "| Usage:                                                       |\n"
      "| blobsmith --list -i input_file                               |\n"
      "|  -i ---- input file name, default is \"res.bin\"               |\n"
      "|  -v ---- this tools version                                  |\n"
      "|                                                              |\n"
      "| example:                                                     |\n"
      "|   blobsmith --list -i res.bin                                |\n"
      "================================================================\n",
      stdout);
}

void print_verify_usage() {
  std::fputs(
      "================================================================\n"
      "|                                                              |\n"
      "| Usage:                                                       |\n"
      "| blobsmith --verify -i input_file                             |\n"
      "|  -i ---- input file name, default is \"res.bin\"               |\n"
      "|  -v ---- this tools version                                  |\n"
      "|                                                              |\n"
      "| example:                                                     |\n"
      "|   blobsmith --verify -i res.bin                              |\n"
      "================================================================\n",
      stdout);
}

void print_version_line() { std::fputs("blobsmith " BLOBSMITH_VERSION "\n", stdout); }
