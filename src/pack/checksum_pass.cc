// The checksum pass over a finished pack file.
#include "pack/checksum_pass.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "format/checksum.h"
#include "format/pack_format.h"
#include "platform/io.h"

namespace {

// Folds the whole file from its start and prints the result. Returns 0, or
// -1 when the file's length cannot be taken, it cannot be rewound, or a read
// delivers less than asked: a checksum over part of the file would be
// appended as if it were right. A failed allocation folds and prints nothing
// and leaves the accumulator unchanged.
int fold_file(IoFile* file, uint32_t* accumulator) {
  const int64_t length = io_seek(file, 0, SEEK_END) == 0 ? io_tell(file) : -1;
  if (length < 0 || io_seek(file, 0, SEEK_SET) != 0) return -1;
  unsigned char* buffer = static_cast<unsigned char*>(allocate_pages(CHECKSUM_CHUNK_SIZE));
  if (buffer == nullptr) return 0;
  int64_t done = 0;
  while (done < length) {
    const int64_t remaining = length - done;
    const size_t chunk = remaining < static_cast<int64_t>(CHECKSUM_CHUNK_SIZE)
                             ? static_cast<size_t>(remaining)
                             : CHECKSUM_CHUNK_SIZE;
    if (io_read(buffer, 1, chunk, file) != chunk) {
      free_pages(buffer);
      return -1;
    }
    *accumulator = checksum_update(static_cast<uint32_t>(chunk), buffer, *accumulator);
    done += static_cast<int64_t>(chunk);
  }
  std::printf("crc=0x%08x\n", static_cast<unsigned>(*accumulator));
  free_pages(buffer);
  return 0;
}

}  // namespace

int append_checksum(const char* path) {
  IoFile* file = io_open(path, "rb+");
  if (file == nullptr) {
    std::printf("add crc open file error.\n");
    return CHECKSUM_OPEN_FAILED;
  }
  unsigned char header_image[PACK_HEADER_SIZE];
  if (io_read(header_image, 1, sizeof header_image, file) != sizeof header_image) {
    std::printf("add crc read header error.\n");
    io_close(file);
    return CHECKSUM_HEADER_FAILED;
  }
  PackHeader header;
  decode_header(header_image, &header);

  uint32_t accumulator = 0;
  if (header.checksum_mode != 0 && fold_file(file, &accumulator) != 0) {
    std::printf("add crc, read file error\n");
    io_close(file);
    return CHECKSUM_READ_FAILED;
  }

  int status = CHECKSUM_OK;
  unsigned char word[PACK_CHECKSUM_SIZE];
  put_u32_le(word, accumulator);
  const bool appended = io_seek(file, 0, SEEK_END) == 0 &&
                        io_write(word, sizeof word, 1, file) == 1;
  // The word only reaches the disk when the stream is flushed at close.
  if (io_close(file) != 0 || !appended) {
    std::printf("add crc write failed !!!\n");
    status = CHECKSUM_APPEND_FAILED;
  }
  return status;
}
