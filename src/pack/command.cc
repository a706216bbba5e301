// The --pack mode.
#include "pack/command.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "cli/commands.h"
#include "pack/collect.h"
#include "pack/writer.h"

namespace {

struct PackOptions {
  const char* output;
  const char* input;
  const char* machine;
};

// Reads the options into options and the ignore list. Returns 1 when "-v"
// was met (the version line is printed), 0 otherwise.
int read_pack_options(char** argv, PackOptions* options) {
  for (char** arg = argv + 1; *arg != nullptr; ++arg) {
    const char* option = *arg;
    const char** value = nullptr;
    if (std::strcmp(option, "-o") == 0) value = &options->output;
    else if (std::strcmp(option, "-i") == 0) value = &options->input;
    else if (std::strcmp(option, "-m") == 0) value = &options->machine;
    if (value != nullptr) {
      if (arg[1] == nullptr) return 0;  // an option without a value ends the walk
      *value = *++arg;
    } else if (std::strcmp(option, "-g") == 0) {
      // Names up to the next argument that begins with "-", at most 30 in
      // all; once the list is full the following arguments are passed over.
      while (g_ignore_list.count < MAX_IGNORE_NAMES) {
        if (arg[1] == nullptr) return 0;
        if (arg[1][0] == '-') break;
        g_ignore_list.names[g_ignore_list.count++] = *++arg;
      }
    } else if (std::strcmp(option, "-v") == 0) {
      print_version_line();
      return 1;
    }
  }
  return 0;
}

// Values that cannot be stored whole are refused: a cut name or flag would
// give a pack that is not what was asked. Returns 0 when all are usable.
int check_pack_options(const PackOptions& options) {
  for (const char* path : {options.output, options.input}) {
    if (std::strlen(path) > static_cast<size_t>(PATH_MAX_LENGTH)) {
      std::printf("%s path name is too long, nothing written !!!\n", path);
      return -1;
    }
  }
  if (options.input[0] == '\0') {
    // The walk would start at the root of the file system.
    std::printf("empty input directory name, nothing written !!!\n");
    return -1;
  }
  if (std::strlen(options.machine) > static_cast<size_t>(MACHINE_FLAG_SIZE - 1)) {
    std::printf("%s machine flag is longer than 7 characters, nothing written !!!\n",
                options.machine);
    return -1;
  }
  return 0;
}

}  // namespace

int run_pack_command(char** argv) {
  print_pack_usage();
  // Nothing survives from an earlier run in the same process.
  g_ignore_list.count = 0;
  PackOptions options{"res.bin", "res", "q5"};
  if (read_pack_options(argv, &options) != 0) return 0;
  if (check_pack_options(options) != 0) return 0;
  std::memset(g_machine_flag, 0, sizeof g_machine_flag);
  std::memcpy(g_machine_flag, options.machine, std::strlen(options.machine));

  NameTable* table = static_cast<NameTable*>(std::calloc(1, sizeof(NameTable)));
  if (table == nullptr) return -1;
  // An earlier pack inside the input tree is left out, found by identity.
  FileIdentity output_identity;
  const bool output_exists = file_identity(options.output, &output_identity) == 0;
  const int prefix_len = static_cast<int>(std::strlen(options.input)) + 1;
  const int count = collect_files(options.input, table, prefix_len, 0, PACK_MAX_ENTRIES,
                                  output_exists ? &output_identity : nullptr);
  int status = 0;
  if (count > PACK_MAX_USABLE_ENTRIES) {
    std::printf("%s holds more than %d files, nothing written !!!\n", options.input,
                PACK_MAX_USABLE_ENTRIES);
    status = -1;
  } else if (count > 0) {
    std::qsort(table->slots, static_cast<size_t>(count), PATH_BUFFER_SIZE, compare_names);
    status = write_pack(options.output, prefix_len, table, count);
  }
  std::free(table);
  return status;
}
