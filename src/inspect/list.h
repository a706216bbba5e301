// The --list mode: the header and the entry table of a pack file, one line
// each, as the pack holds them, or with --json as one JSON document.
#ifndef BLOBSMITH_INSPECT_LIST_H_
#define BLOBSMITH_INSPECT_LIST_H_

namespace blobsmith {

// Reads "-i FILE" (default "res.bin"), "--json" and "-v" from argv (program
// name first, null-terminated) and lists the file, after the list usage box
// unless the listing is in JSON. Returns the exit status: RUN_DONE, or
// RUN_NOT_DONE when the file cannot be read as a pack.
int run_list_command(char** argv);

// Prints one line for the header (machine flag, date and time of packing,
// entry count) and one line per entry (start block, byte size, name) in
// table order, columns aligned; a zeroed entry shows as "(zeroed entry)".
// A name shows "/" between its levels (a stored "\\"), a stored "/" as
// "\x2F" and other bytes as printable() shows them, so "\\" always begins an
// escape and no two names show alike. A file that cannot be read as a pack
// gets one line instead. Returns 0, or -1 when the file could not be listed.
int list_pack(const char* path);

}  // namespace blobsmith

#endif  // BLOBSMITH_INSPECT_LIST_H_
