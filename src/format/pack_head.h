// Reading what precedes a pack's data: the header, the reserved blocks and
// the entry table. The extractor, the checksum pass, --list, --verify and
// the run-time reader all read them here, from any source of bytes.
#ifndef BLOBSMITH_FORMAT_PACK_HEAD_H_
#define BLOBSMITH_FORMAT_PACK_HEAD_H_

#include <cstddef>
#include <cstdint>

#include "format/pack_format.h"

namespace blobsmith {

// Bytes of a pack read at absolute offsets: read_at copies up to length
// bytes from offset into `into` and returns how many it copied, fewer only
// at the end of the pack or after a failure.
struct ByteSource {
  size_t (*read_at)(void* context, uint64_t offset, void* into, size_t length);
  void* context;
};

// A source over length bytes held in memory.
struct MemorySpan {
  const unsigned char* bytes;
  uint64_t length;
};
size_t read_memory_span(void* span, uint64_t offset, void* into, size_t length);

struct PackHead {
  unsigned char header_image[PACK_HEADER_SIZE];  // all zero unless read whole
  PackHeader header;                             // decoded from header_image
  bool header_whole;
  int32_t reserved_whole;  // reserved blocks read whole, 0 to 3
};

// Reads the 512-byte header and the three reserved blocks. A header that
// cannot be read whole is taken as all zero, never acted on in part.
void read_pack_head(const ByteSource& source, PackHead* head);

// Reads the first `slots` table slots (from offset 2048) as raw 64-byte
// images into images. A slot read in part keeps the bytes read, followed by
// zeros; slots beyond the end are all zero. Returns the slots read whole.
// REQUIRES: 0 <= slots <= PACK_MAX_ENTRIES; images holds slots * 64 bytes.
int32_t read_pack_table(const ByteSource& source, int32_t slots, unsigned char* images);

// True when entry_count is one the extractor and the reader accept.
inline bool entry_count_usable(const int32_t count) {
  return count >= 1 && count <= PACK_MAX_USABLE_ENTRIES;
}

// True when the header carries the magic and the tail signature.
bool header_is_pack(const PackHeader& header);

// Whether a head that was read is a pack's, and if not the first reason:
// the one gate every reader of packs asks. Callers that accept more say
// why where they call it.
enum PackHeaderCheck {
  PACK_HEADER_SOUND = 0,
  PACK_HEADER_SHORT,        // fewer than 512 bytes could be read
  PACK_HEADER_NOT_A_PACK,   // no magic "SFHI" or no tail signature
  PACK_HEADER_ENTRY_COUNT,  // an entry count outside 1 to 2047
};

PackHeaderCheck check_pack_header(const PackHead& head);

}  // namespace blobsmith

#endif  // BLOBSMITH_FORMAT_PACK_HEAD_H_
