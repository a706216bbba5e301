// The --pack mode: options, collection, ordering and writing.
#ifndef BLOBSMITH_PACK_COMMAND_H_
#define BLOBSMITH_PACK_COMMAND_H_

// Prints the pack usage box, reads "-o", "-i", "-g", "-m" and "-v" from
// argv (program name first, null-terminated), collects and sorts the files
// of the input directory and writes them into the output file.
// Returns 0 after "-v", when no file was collected or an option value was
// refused; -1 when the NameTable cannot be allocated or the tree holds more
// files than a pack can; otherwise the status of write_pack.
int run_pack_command(char** argv);

#endif  // BLOBSMITH_PACK_COMMAND_H_
