// The unpack command and the extractor that recreates a pack file's members
// under an output directory.
#ifndef BLOBSMITH_UNPACK_EXTRACT_H_
#define BLOBSMITH_UNPACK_EXTRACT_H_

// The --unpack mode. Prints the unpack usage box, reads "-i FILE" (default
// "res.bin"), "-o DIR" (default "res") and "-v" from argv (program name
// first, null-terminated) and extracts. Returns 0 in every case.
int run_unpack_command(char** argv);

// Recreates every member of the pack file at pack_path under out_dir,
// creating directories as the names require; reports each failure as one
// line on standard output and goes on with the next block or member.
// Never writes outside out_dir: a member with an unsafe name, or whose path
// below out_dir passes through a symbolic link, FIFO, socket or device, is
// refused. Returns -1 when the entry array cannot be allocated, out_dir is
// empty or the pack cannot be opened; otherwise 0 when every step succeeded
// and -1 after any failure.
int extract_pack(const char* pack_path, const char* out_dir);

#endif  // BLOBSMITH_UNPACK_EXTRACT_H_
