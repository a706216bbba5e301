// The --unpack mode.
#ifndef BLOBSMITH_UNPACK_COMMAND_H_
#define BLOBSMITH_UNPACK_COMMAND_H_

namespace blobsmith {

// Prints the unpack usage box, reads "-i FILE" (default "res.bin"),
// "-o DIR" (default "res") and "-v" from argv (program name first,
// null-terminated) and extracts. Returns the exit status: RUN_DONE (after
// "-v" too), RUN_PARTLY_DONE when a member failed, RUN_NOT_DONE when an
// option value is refused or nothing could be extracted.
int run_unpack_command(char** argv);

}  // namespace blobsmith

#endif  // BLOBSMITH_UNPACK_COMMAND_H_
