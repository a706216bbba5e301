// The pass that folds a finished pack file and appends its checksum.
#ifndef BLOBSMITH_PACK_CHECKSUM_PASS_H_
#define BLOBSMITH_PACK_CHECKSUM_PASS_H_

#include <cstdint>

#include "platform/io.h"

namespace blobsmith {

// Statuses of append_checksum.
constexpr int CHECKSUM_OK = 0;
constexpr int CHECKSUM_HEADER_FAILED = -2;  // "add crc read header error."
constexpr int CHECKSUM_READ_FAILED = -3;    // "add crc, read file error"
constexpr int CHECKSUM_APPEND_FAILED = -4;  // "add crc write failed !!!"

// Reads the header of the open pack file; when its checksum_mode is
// non-zero, folds the header, reserved blocks and table as read back from
// the file, joins that fold with data_fold (the fold from 0 of every byte
// after the table, taken as the writer wrote them, so the data is not read
// a second time), prints "crc=0x%08x" and appends the accumulator as a
// little-endian word (four zero bytes when the mode is 0). Returns one of
// the statuses above after printing its line; nothing is appended after a
// header or read failure.
int append_checksum(IoFile* file, uint32_t data_fold);

}  // namespace blobsmith

#endif  // BLOBSMITH_PACK_CHECKSUM_PASS_H_
