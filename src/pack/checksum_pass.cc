// The checksum pass over a finished pack file.
#include "pack/checksum_pass.h"

#include <cstdint>
#include <cstdio>

#include "format/checksum.h"
#include "format/pack_format.h"
#include "read/file_fold.h"
#include "read/io_source.h"

namespace blobsmith {

int append_checksum(IoFile* file, const uint32_t data_fold) {
  PackHead head;
  read_pack_head(io_source(file), &head);
  // The pass runs over the pack this run has just written: only a header
  // that cannot be read back stops it.
  if (check_pack_header(head) == PACK_HEADER_SHORT) {
    std::printf("add crc read header error.\n");
    return CHECKSUM_HEADER_FAILED;
  }
  uint32_t accumulator = 0;
  if (head.header.checksum_mode != 0) {
    const int64_t length = io_seek(file, 0, SEEK_END) == 0 ? io_tell(file) : -1;
    if (length < PACK_DATA_OFFSET || fold_file(file, PACK_DATA_OFFSET, &accumulator) != 0) {
      std::printf("add crc, read file error\n");
      return CHECKSUM_READ_FAILED;
    }
    accumulator =
        checksum_after_zeros(accumulator, static_cast<uint64_t>(length - PACK_DATA_OFFSET)) ^
        data_fold;
    std::printf("crc=0x%08x\n", static_cast<unsigned>(accumulator));
  }
  unsigned char word[PACK_CHECKSUM_SIZE];
  put_u32_le(word, accumulator);
  if (io_seek(file, 0, SEEK_END) != 0 || io_write(word, sizeof word, 1, file) != 1) {
    std::printf("add crc write failed !!!\n");
    return CHECKSUM_APPEND_FAILED;
  }
  return CHECKSUM_OK;
}

}  // namespace blobsmith
