// The pass that folds a finished pack file and appends its checksum.
#ifndef BLOBSMITH_PACK_CHECKSUM_PASS_H_
#define BLOBSMITH_PACK_CHECKSUM_PASS_H_

#include <cstddef>

// The body is folded in chunks of this size with one buffer for the pass.
constexpr size_t CHECKSUM_CHUNK_SIZE = 0x80000;

// Statuses of append_checksum.
constexpr int CHECKSUM_OK = 0;
constexpr int CHECKSUM_OPEN_FAILED = -1;    // "add crc open file error."
constexpr int CHECKSUM_HEADER_FAILED = -2;  // "add crc read header error."
constexpr int CHECKSUM_READ_FAILED = -3;    // "add crc, read file error"
constexpr int CHECKSUM_APPEND_FAILED = -4;  // "add crc write failed !!!"

// Reopens the closed file at path, folds every byte with checksum_update
// when its header's checksum_mode is non-zero, prints "crc=0x%08x" and
// appends the accumulator as a little-endian word (0 when the mode is 0).
// Returns one of the statuses above; on -1 to -3 nothing is appended.
// The file is never truncated or removed.
int append_checksum(const char* path);

#endif  // BLOBSMITH_PACK_CHECKSUM_PASS_H_
