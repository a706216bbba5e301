// The run-time reader's one platform service: a file opened by path and
// read at offsets, from any number of threads at once, without allocating.
#ifndef BLOBSMITH_READER_READER_FILE_H_
#define BLOBSMITH_READER_READER_FILE_H_

#include <cstddef>
#include <cstdint>

namespace blobsmith {

struct ReaderFile {
  intptr_t handle;  // a descriptor or a handle
  uint64_t size;    // the file's length when it was opened
};

// Opens an existing regular file for reading; a FIFO, device or directory
// is refused without blocking. Returns 0, or -1 on failure.
int reader_file_open(const char* path, ReaderFile* file);

// Copies up to length bytes at offset into buffer without moving any shared
// position. Returns the bytes copied (fewer only at the end of the file), or
// -1 on failure.
int64_t reader_file_read_at(void* file, uint64_t offset, void* buffer, size_t length);

void reader_file_close(ReaderFile* file);

}  // namespace blobsmith

#endif  // BLOBSMITH_READER_READER_FILE_H_
