// What every command prints and returns: the usage boxes, the help text,
// the version line and the exit statuses. A leaf: it includes nothing of the
// tool, so every mode can use it.
#ifndef BLOBSMITH_CLI_COMMANDS_H_
#define BLOBSMITH_CLI_COMMANDS_H_

namespace blobsmith {

// Exit statuses of a run.
constexpr int RUN_DONE = 0;         // all of the work was done
constexpr int RUN_PARTLY_DONE = 1;  // output written, but a file or member failed
constexpr int RUN_NOT_DONE = 2;     // the job could not be done

// Print each mode's usage box on standard output.
void print_pack_usage();
void print_unpack_usage();
void print_list_usage();
void print_verify_usage();

// Prints every usage box, then a line on --list --json and what the exit
// statuses and SOURCE_DATE_EPOCH mean.
void print_help();

// Prints "blobsmith <version>" and a line break on standard output.
void print_version_line();

}  // namespace blobsmith

#endif  // BLOBSMITH_CLI_COMMANDS_H_
