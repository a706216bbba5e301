// The command line: mode selection, the usage boxes and the version line.
#ifndef BLOBSMITH_CLI_COMMANDS_H_
#define BLOBSMITH_CLI_COMMANDS_H_

enum Mode {
  MODE_NONE = 0,
  MODE_PACK,
  MODE_UNPACK,
  MODE_LIST,
  MODE_VERIFY,
};

// The mode chosen by the first argument after the program name that equals
// "--pack", "--unpack", "--list" or "--verify" exactly (case-sensitive,
// whole argument), or MODE_NONE. Stops at the null entry that ends argv.
Mode find_mode(const char* const* argv);

// Runs one command line as the process entry does and returns the exit
// status: 1 for a --verify run that found a problem, 0 in every other case.
// With no mode word the pack and the unpack usage boxes are printed.
int run_command_line(char** argv);

// Print the pack and the unpack usage box on standard output.
void print_pack_usage();
void print_unpack_usage();

// Print the list and the verify usage box on standard output.
void print_list_usage();
void print_verify_usage();

// Prints "blobsmith <version>" and a line break on standard output.
void print_version_line();

#endif  // BLOBSMITH_CLI_COMMANDS_H_
