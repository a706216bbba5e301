// The process entry: everything else lives in the core library.
#include "cli/dispatch.h"

int main(int /*argc*/, char** argv) { return blobsmith::run_command_line(argv); }
