// The checksum of the start of a file, folded in large chunks with one
// buffer: --verify folds a whole pack, the checksum pass its header and
// table.
#ifndef BLOBSMITH_READ_FILE_FOLD_H_
#define BLOBSMITH_READ_FILE_FOLD_H_

#include <cstddef>
#include <cstdint>

#include "platform/io.h"

namespace blobsmith {

// The file is folded in chunks of this size, so memory use does not grow
// with the pack.
constexpr size_t CHECKSUM_CHUNK_SIZE = 0x80000;

// Sees each chunk as it is folded: its bytes and their file offset.
struct ChunkVisitor {
  void (*visit)(void* context, const unsigned char* chunk, int64_t at, size_t length);
  void* context;
};

// Folds the first length bytes of file, from its start, into *accumulator
// with checksum_update; visitor (when given) sees every chunk. Returns 0,
// or -1 when the chunk buffer cannot be had or a read delivers less than
// asked: a checksum over part of the file is never handed out as whole.
int fold_file(IoFile* file, int64_t length, uint32_t* accumulator,
              const ChunkVisitor* visitor = nullptr);

}  // namespace blobsmith

#endif  // BLOBSMITH_READ_FILE_FOLD_H_
