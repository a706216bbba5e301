// Copying one member's bytes by the block rule.
#include "read/block_copy.h"

#include <cstring>

#include "format/pack_format.h"

namespace blobsmith {

CopyOutcome copy_blocks(IoFile* from, IoFile* to, const int32_t byte_size,
                        const BlockLayout layout) {
  CopyOutcome outcome{false, false};
  unsigned char block[PACK_BLOCK_SIZE];
  const BlockSplit split = split_blocks(byte_size);
  const int32_t pieces = blocks_for_size(byte_size);
  for (int32_t piece = 0; piece < pieces; ++piece) {
    const size_t wanted = piece_size(split, piece);
    // Cleared before every read: a short read never carries bytes of an
    // earlier block or member into this one.
    std::memset(block, 0, sizeof block);
    if (!outcome.read_short) {
      outcome.read_short = from == nullptr || io_read(block, 1, wanted, from) != wanted;
    }
    const size_t put = layout == BLOCKS_PADDED ? sizeof block : wanted;
    if (io_write(block, put, 1, to) != 1) {
      outcome.write_failed = true;
      break;
    }
    if (outcome.read_short && layout == BLOCKS_EXACT) break;
  }
  return outcome;
}

}  // namespace blobsmith
