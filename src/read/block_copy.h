// Copying one member's bytes by the block rule, between a source file and
// the pack (the writer) or between the pack and a member file (the
// extractor).
#ifndef BLOBSMITH_READ_BLOCK_COPY_H_
#define BLOBSMITH_READ_BLOCK_COPY_H_

#include <cstdint>

#include "platform/io.h"

namespace blobsmith {

enum BlockLayout {
  // Into the pack: every piece is written as a whole zero-filled block, and
  // after a short read the rest of the member is written as zeros, so the
  // member keeps the blocks its entry promises.
  BLOCKS_PADDED,
  // Out of the pack: exactly each piece's bytes are written; a short read
  // writes the bytes read, then zeros to the piece's end, and ends the copy.
  BLOCKS_EXACT,
};

struct CopyOutcome {
  bool read_short;    // a read delivered less than asked (from is nullptr)
  bool write_failed;  // a write failed; the copy ended there
};

// Where a copy reads and writes: at a file's own position (-1), or at a
// fixed offset with the positional calls, which several threads may make on
// one file at once.
struct CopyPlaces {
  int64_t from_offset;
  int64_t to_offset;
};
constexpr CopyPlaces AT_POSITIONS = {-1, -1};

// Copies a member of byte_size bytes from from to to by the block rule.
// from may be nullptr when the member cannot be reached: its first read
// then counts as short. When written_fold is given, every byte written is
// folded into it with checksum_update.
CopyOutcome copy_blocks(IoFile* from, IoFile* to, int32_t byte_size, BlockLayout layout,
                        uint32_t* written_fold = nullptr, const CopyPlaces& places = AT_POSITIONS);

}  // namespace blobsmith

#endif  // BLOBSMITH_READ_BLOCK_COPY_H_
