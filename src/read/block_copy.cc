// Copying one member's bytes by the block rule.
#include "read/block_copy.h"

#include <cstring>

#include "format/checksum.h"
#include "format/pack_format.h"

namespace blobsmith {

namespace {

// Blocks moved by one read and one write: as large as the file buffer, so a
// large member goes straight between the two files.
constexpr int32_t CHUNK_BLOCKS = static_cast<int32_t>(IO_BUFFER_SIZE / PACK_BLOCK_SIZE);
constexpr size_t CHUNK_SIZE = size_t{CHUNK_BLOCKS} * PACK_BLOCK_SIZE;

}  // namespace

CopyOutcome copy_blocks(IoFile* from, IoFile* to, const int32_t byte_size, const BlockLayout layout,
                        uint32_t* const written_fold, const CopyPlaces& places) {
  CopyOutcome outcome{false, false};
  unsigned char chunk[CHUNK_SIZE];
  // Every block but a member's last is whole, so whole runs of blocks can be
  // moved at once; the rule shows only at the last block and a short read.
  int32_t blocks_left = blocks_for_size(byte_size);
  size_t bytes_left = byte_size > 0 ? static_cast<size_t>(byte_size) : 0;
  int64_t done = 0;  // bytes read and written so far, for the positional calls
  while (blocks_left > 0) {
    const int32_t blocks = blocks_left < CHUNK_BLOCKS ? blocks_left : CHUNK_BLOCKS;
    const size_t padded = static_cast<size_t>(blocks) * PACK_BLOCK_SIZE;
    const size_t wanted = bytes_left < padded ? bytes_left : padded;
    size_t got = 0;
    if (!outcome.read_short) {
      if (from == nullptr) {
        got = 0;
      } else if (places.from_offset >= 0) {
        got = io_read_at(from, chunk, wanted, places.from_offset + done);
      } else {
        got = io_read(chunk, 1, wanted, from);
      }
      outcome.read_short = got != wanted;
    }
    // Cleared past what was read: a short read never carries bytes of an
    // earlier chunk or member into this one.
    std::memset(chunk + got, 0, padded - got);
    size_t put = padded;
    if (layout == BLOCKS_EXACT) {
      // After a short read, the block the read stopped in ends the copy.
      const size_t through_block = (got / PACK_BLOCK_SIZE + 1) * PACK_BLOCK_SIZE;
      put = outcome.read_short && through_block < wanted ? through_block : wanted;
    }
    const bool written = places.to_offset >= 0
                             ? io_write_at(to, chunk, put, places.to_offset + done) == 0
                             : io_write(chunk, put, 1, to) == 1;
    if (!written) {
      outcome.write_failed = true;
      break;
    }
    if (written_fold != nullptr) {
      *written_fold = checksum_update(static_cast<uint32_t>(put), chunk, *written_fold);
    }
    if (outcome.read_short && layout == BLOCKS_EXACT) break;
    blocks_left -= blocks;
    bytes_left -= wanted;
    done += static_cast<int64_t>(padded);
  }
  return outcome;
}

}  // namespace blobsmith
