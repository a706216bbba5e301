// Which members of a pack a name chosen on the command line asks for, by
// the run-time reader's rules.
#ifndef BLOBSMITH_UNPACK_SELECT_H_
#define BLOBSMITH_UNPACK_SELECT_H_

#include <cstdint>
#include <vector>

namespace blobsmith {

// Marks in (*chosen)[i] each of the count entries (64-byte images in table)
// that name asks for, and returns how many it marked. Names are compared as
// the reader compares them: ASCII letters without regard to case, "/" and
// "\\" alike. A name asks for the member it names (among several, the one
// equal byte for byte, else the first in table order) or, naming no member
// and with directories allowed, every member below the directory it names
// (trailing separators of name are not counted). Zeroed entries and names
// without a terminator are never chosen.
// REQUIRES: chosen holds count flags.
int choose_members(const unsigned char* table, int32_t count, const char* name, bool directories,
                   std::vector<bool>* chosen);

}  // namespace blobsmith

#endif  // BLOBSMITH_UNPACK_SELECT_H_
