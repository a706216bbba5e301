// A pack file opened through the platform seam, read as a byte source.
#include "read/io_source.h"

#include <cstdint>
#include <cstdio>

namespace blobsmith {

namespace {

size_t read_file_at(void* context, const uint64_t offset, void* into, const size_t length) {
  IoFile* file = static_cast<IoFile*>(context);
  if (offset > static_cast<uint64_t>(INT64_MAX) ||
      io_seek(file, static_cast<int64_t>(offset), SEEK_SET) != 0) {
    return 0;
  }
  return io_read(into, 1, length, file);
}

}  // namespace

ByteSource io_source(IoFile* file) { return ByteSource{read_file_at, file}; }

bool file_holds_pack(const char* path) {
  IoFile* file = io_open(path);
  if (file == nullptr) return false;
  PackHead head;
  read_pack_head(io_source(file), &head);
  io_close(file);
  return check_pack_header(head) == PACK_HEADER_SOUND;
}

}  // namespace blobsmith
