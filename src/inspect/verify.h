// The --verify mode: checks that a pack file is whole and laid out exactly
// as the packer writes it, trailing checksum included.
#ifndef BLOBSMITH_INSPECT_VERIFY_H_
#define BLOBSMITH_INSPECT_VERIFY_H_

namespace blobsmith {

// Prints the verify usage box, reads "-i FILE" (default "res.bin") and "-v"
// from argv (program name first, null-terminated) and verifies the file.
// Returns the exit status: RUN_DONE when the file is sound (and after
// "-v"), RUN_PARTLY_DONE when a problem was found, RUN_NOT_DONE when the
// file cannot be read.
int run_verify_command(char** argv);

// What verify_pack found.
struct Verdict {
  int problems;     // one line was printed for each
  bool unreadable;  // the file could not be opened or read
};

// Checks the file at path against everything the packer guarantees: its
// length (whole blocks and a checksum word, below 2 GiB: anything else is
// not read further); the header's magic, fixed words, stamps, checksum
// mode, entry count, machine field, reserved bytes and tail signature; zero
// reserved blocks; every used entry's name terminated, zero-padded, safe,
// in the packer's order and told apart from every other name by more than
// letter case; zero unused slots; data blocks contiguous from block 260 and
// inside the file, with zero padding after each member; and the trailing
// checksum, recomputed over every byte before it. Zeroed entries are legal
// and take no block. Prints one line per problem, then "<path> is sound" or
// "<path> is not sound, N problem(s) !!!".
Verdict verify_pack(const char* path);

}  // namespace blobsmith

#endif  // BLOBSMITH_INSPECT_VERIFY_H_
