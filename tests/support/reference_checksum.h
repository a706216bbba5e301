// An independent byte-at-a-time fold of the pack checksum, for checking
// the tool's results: the table is derived bit by bit on every call.
#ifndef BLOBSMITH_TESTS_SUPPORT_REFERENCE_CHECKSUM_H_
#define BLOBSMITH_TESTS_SUPPORT_REFERENCE_CHECKSUM_H_

#include <cstdint>
#include <string>

inline uint32_t reference_checksum(const std::string& bytes, uint32_t accumulator = 0) {
  for (const char c : bytes) {
    uint32_t crc = (((accumulator >> 8) & 0xFFu) ^ static_cast<unsigned char>(c)) << 8;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000u) != 0 ? (crc << 1) ^ 0x1021u : crc << 1;
    accumulator = (accumulator << 8) ^ (crc & 0xFFFFu);
  }
  return accumulator;
}

#endif  // BLOBSMITH_TESTS_SUPPORT_REFERENCE_CHECKSUM_H_
