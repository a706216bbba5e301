// The command line: mode selection, the usage boxes and the version line.
#ifndef BLOBSMITH_CLI_COMMANDS_H_
#define BLOBSMITH_CLI_COMMANDS_H_

enum Mode {
  MODE_NONE = 0,
  MODE_PACK,
  MODE_UNPACK,
};

// The mode chosen by the first argument after the program name that equals
// "--pack" or "--unpack" exactly (case-sensitive, whole argument), or
// MODE_NONE. Stops at the null entry that ends argv.
Mode find_mode(const char* const* argv);

// Runs one command line as the process entry does and returns the exit
// status, which is always 0: with no mode word both usage boxes are printed.
int run_command_line(char** argv);

// Print the pack and the unpack usage box on standard output.
void print_pack_usage();
void print_unpack_usage();

// Prints "blobsmith <version>" and a line break on standard output.
void print_version_line();

#endif  // BLOBSMITH_CLI_COMMANDS_H_
