// What the --list and --verify modes share: their option walk and the way
// they show a stored name or text field on the console.
#ifndef BLOBSMITH_INSPECT_INSPECT_COMMON_H_
#define BLOBSMITH_INSPECT_INSPECT_COMMON_H_

#include <cstddef>

// Reads "-i FILE" and "-v" from argv (program name first, null-terminated),
// each by an exact comparison of the whole argument; every other argument,
// the mode word included, is passed over. "-i" takes the next argument
// whatever it looks like; as the last argument it ends the walk. *input
// keeps its value unless "-i" gives another.
// Returns 1 when "-v" was met (the version line is then printed and the
// walk stops there), 0 otherwise.
int read_inspect_options(char** argv, const char** input);

// Copies at most size bytes of field, up to its first zero byte, into out
// as text: bytes below 0x20 and 0x7F become "?" so a damaged or hostile
// name cannot drive the terminal. out always ends with a zero byte.
// REQUIRES: out holds at least size + 1 bytes.
void printable_text(const char* field, size_t size, char* out);

#endif  // BLOBSMITH_INSPECT_INSPECT_COMMON_H_
