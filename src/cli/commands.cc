// The usage boxes, the help text and the version line.
#include "cli/commands.h"

#include <cstdio>

#ifndef BLOBSMITH_VERSION
#error "BLOBSMITH_VERSION must be defined by the build"
#endif

namespace blobsmith {

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

void print_help() {
  print_pack_usage();
  print_unpack_usage();
  print_list_usage();
  print_verify_usage();
  std::fputs(
      "More options:\n"
      "  -q              (every mode) no usage box\n"
      "  --strict        (--pack) anything that would give status 1 writes\n"
      "                  nothing and gives status 2\n"
      "  --depfile FILE  (--pack) also write a make-syntax dependency file:\n"
      "                  the pack depends on every file packed and every\n"
      "                  directory walked\n"
      "  -g NAME...      (--pack) a NAME holding * ? or [ is also a pattern on\n"
      "                  bare names; one holding / a pattern on the path below\n"
      "                  the input directory, from its top (raw/ a directory)\n"
      "  -x NAME...      (--unpack) only the members, or directories, named\n"
      "  -p NAME         (--unpack, with -i only) that member's bytes to\n"
      "                  standard output, every line to standard error\n"
      "  --json          (--list) the listing as one JSON document, problems\n"
      "                  on standard error\n"
      "  -j N            (--pack, --unpack) work with N threads, 1 to 64;\n"
      "                  by default one (--unpack: two) for each processor\n"
      "                  the run may use, at most 8, and one for fewer than\n"
      "                  128 members and 4 MiB. The pack, the tree and the\n"
      "                  lines are the same for every N\n"
      "Every argument must be the mode word, an option of that mode or an\n"
      "option's value; anything else is refused with status 2.\n"
      "Exit status: 0 when the run did all of its work; 1 when it finished\n"
      "and wrote its output but a file or member failed (each failure has\n"
      "its line ending in \"!!!\"); 2 when it could not do its job (no pack\n"
      "is replaced and nothing is extracted). --verify: 0 sound, 1 not\n"
      "sound, 2 the file cannot be read. --list: 0, or 2 when it cannot.\n"
      "SOURCE_DATE_EPOCH: when set, a number of seconds since 1970-01-01\n"
      "00:00 UTC that --pack stamps into the header instead of the local\n"
      "time, so the same tree gives the same pack anywhere, at any time.\n",
      stdout);
}

void print_version_line() { std::fputs("blobsmith " BLOBSMITH_VERSION "\n", stdout); }

}  // namespace blobsmith
