// Processors without the carry-less fold: the tables do all the work.
#include <cstddef>
#include <cstdint>

#include "format/checksum_paths.h"

namespace blobsmith {

bool checksum_clmul_available() { return false; }

bool checksum_clmul_wide_available() { return false; }

uint16_t crc16_clmul(const uint16_t crc, const unsigned char* bytes, const size_t length) {
  return crc16_tables(crc, bytes, length);
}

uint32_t checksum_update_clmul(const uint32_t length, const unsigned char* bytes,
                               const uint32_t accumulator) {
  return checksum_update_portable(length, bytes, accumulator);
}

uint16_t crc16_clmul_wide(const uint16_t crc, const unsigned char* bytes, const size_t length) {
  return crc16_tables(crc, bytes, length);
}

uint32_t checksum_update_clmul_wide(const uint32_t length, const unsigned char* bytes,
                                    const uint32_t accumulator) {
  return checksum_update_portable(length, bytes, accumulator);
}

}  // namespace blobsmith
