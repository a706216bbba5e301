// What --list shows of a pack file, read whole before a line of it is
// printed, so a listing is either complete or not printed at all.
#ifndef BLOBSMITH_INSPECT_LISTING_H_
#define BLOBSMITH_INSPECT_LISTING_H_

#include <cstdint>
#include <cstdio>

#include "format/pack_format.h"

namespace blobsmith {

struct Listing {
  PackHeader header;     // its entry_count is 1 to 2047
  unsigned char* table;  // entry_count entry images of 64 bytes, from malloc
  bool checksum_read;    // the trailing word was asked for and the file holds one
  uint32_t checksum;     // the file's last 4 bytes, little-endian
};

// Reads the header and table of the pack at path and, when with_checksum
// is set, its trailing word (only a file at least as long as the header,
// the reserved blocks, the whole table and the word has one). Each problem
// gets one line on `problems`. Returns 0, or -1 with nothing held.
int read_listing(const char* path, bool with_checksum, FILE* problems, Listing* listing);

void release_listing(Listing* listing);

// True for an all-zero entry: a source the packer could not read.
bool entry_image_zeroed(const unsigned char (&image)[PACK_ENTRY_SIZE]);

// The header's stamps as "YYYY-MM-DD" and "HH:MM", every byte that is not
// a digit shown as "?".
void listing_stamps(const PackHeader& header, char (&date)[11], char (&time)[6]);

}  // namespace blobsmith

#endif  // BLOBSMITH_INSPECT_LISTING_H_
