// The --verify mode: checks that a pack file is whole and laid out exactly
// as the packer writes it, trailing checksum included.
#ifndef BLOBSMITH_INSPECT_VERIFY_H_
#define BLOBSMITH_INSPECT_VERIFY_H_

// Prints the verify usage box, reads "-i FILE" (default "res.bin") and "-v"
// from argv (program name first, null-terminated) and verifies the file.
// Returns the process exit status: 1 when a problem was found (a file that
// cannot be opened included), 0 when the file is sound or after "-v".
int run_verify_command(char** argv);

// Checks the file at path against everything the packer guarantees: the
// header's magic, fixed words, stamps, checksum mode, entry count, machine
// field, reserved bytes and tail signature; zero reserved blocks; every
// used entry's name terminated, zero-padded and safe, in the packer's order;
// zero unused slots; data blocks contiguous from block 260 and inside the
// file, with zero padding after each member; the file's length; and the
// trailing checksum, recomputed over every byte before it. Zeroed entries
// are legal and take no block. Prints one line per problem, then
// "<path> is sound" or "<path> is not sound, N problem(s) !!!".
// Returns the number of problems found.
int verify_pack(const char* path);

#endif  // BLOBSMITH_INSPECT_VERIFY_H_
