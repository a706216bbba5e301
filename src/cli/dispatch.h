// Mode selection: the top of the tool, above every mode.
#ifndef BLOBSMITH_CLI_DISPATCH_H_
#define BLOBSMITH_CLI_DISPATCH_H_

namespace blobsmith {

enum Mode {
  MODE_NONE = 0,
  MODE_PACK,
  MODE_UNPACK,
  MODE_LIST,
  MODE_VERIFY,
  MODE_HELP,
  MODE_VERSION,
};

// The mode chosen by the arguments after the program name (whole
// arguments, case-sensitive): the first "--help" or "--version" anywhere
// chooses help or the version line; without them, the first that equals
// "--pack", "--unpack", "--list" or "--verify"; with none, MODE_NONE. Stops
// at the null entry that ends argv.
Mode find_mode(const char* const* argv);

// Runs one command line as the process entry does and returns the exit
// status. With no mode word both the pack and the unpack usage boxes are
// printed.
int run_command_line(char** argv);

}  // namespace blobsmith

#endif  // BLOBSMITH_CLI_DISPATCH_H_
