// The process entry: everything else lives in the core library.
#include "cli/commands.h"

int main(int /*argc*/, char** argv) { return run_command_line(argv); }
