// The checksum of a whole file, folded in large chunks.
#include "read/file_fold.h"

#include <cstdio>

#include "format/checksum.h"

namespace blobsmith {

int fold_file(IoFile* file, const int64_t length, uint32_t* accumulator,
              const ChunkVisitor* visitor) {
  if (io_seek(file, 0, SEEK_SET) != 0) return -1;
  unsigned char* buffer = static_cast<unsigned char*>(allocate_pages(CHECKSUM_CHUNK_SIZE));
  if (buffer == nullptr) return -1;
  int status = 0;
  for (int64_t done = 0; done < length;) {
    const int64_t remaining = length - done;
    const size_t chunk = remaining < static_cast<int64_t>(CHECKSUM_CHUNK_SIZE)
                             ? static_cast<size_t>(remaining)
                             : CHECKSUM_CHUNK_SIZE;
    if (io_read(buffer, 1, chunk, file) != chunk) {
      status = -1;
      break;
    }
    *accumulator = checksum_update(static_cast<uint32_t>(chunk), buffer, *accumulator);
    if (visitor != nullptr) visitor->visit(visitor->context, buffer, done, chunk);
    done += static_cast<int64_t>(chunk);
  }
  free_pages(buffer);
  return status;
}

}  // namespace blobsmith
