// The --pack mode: options, collection, ordering and writing.
#ifndef BLOBSMITH_PACK_COMMAND_H_
#define BLOBSMITH_PACK_COMMAND_H_

namespace blobsmith {

// Prints the pack usage box, reads "-o", "-i", "-g", "-m" and "-v" from
// argv (program name first, null-terminated), collects and sorts the files
// of the input directory and writes them into the output file, which is
// replaced only by a whole pack. Returns the exit status: RUN_DONE (after
// "-v" too), RUN_PARTLY_DONE when the pack was written but a file was
// reported, RUN_NOT_DONE when no pack was written (an option refused, no
// input, the output not writable, a pack not completely written).
int run_pack_command(char** argv);

}  // namespace blobsmith

#endif  // BLOBSMITH_PACK_COMMAND_H_
