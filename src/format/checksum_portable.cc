// The table-driven fold: sixteen tables let one step take sixteen bytes,
// whose lookups are independent of each other except for the first two.
#include <cstddef>
#include <cstdint>

#include "format/checksum_paths.h"

namespace blobsmith {

namespace {

constexpr int kSlices = 16;

// entries[k][v] is the 16-bit CRC of the byte v followed by k zero bytes,
// started from 0; entries[0] is the ordinary byte table.
struct SliceTables {
  uint16_t entries[kSlices][256];
};

constexpr SliceTables make_slice_tables() {
  SliceTables tables{};
  for (uint32_t v = 0; v < 256; ++v) {
    uint32_t crc = v << 8;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) != 0 ? ((crc << 1) ^ 0x1021) : (crc << 1);
    }
    tables.entries[0][v] = static_cast<uint16_t>(crc & 0xFFFF);
  }
  for (int k = 1; k < kSlices; ++k) {
    for (uint32_t v = 0; v < 256; ++v) {
      const uint32_t previous = tables.entries[k - 1][v];
      tables.entries[k][v] =
          static_cast<uint16_t>(((previous << 8) & 0xFFFF) ^ tables.entries[0][previous >> 8]);
    }
  }
  return tables;
}

constexpr SliceTables kSliceTables = make_slice_tables();

inline uint32_t lookup(const int slice, const uint32_t index) {
  return kSliceTables.entries[slice][index];
}

}  // namespace

uint16_t crc16_tables(const uint16_t crc, const unsigned char* bytes, size_t length) {
  uint32_t state = crc;
  while (length >= kSlices) {
    // The state goes into the first two bytes; every other byte is looked
    // up by how far it stands from the end of the step. Those fourteen
    // lookups do not wait for the state, so they are combined first and
    // only two lookups and two XORs stand between one state and the next.
    const uint32_t rest = ((lookup(13, bytes[2]) ^ lookup(12, bytes[3])) ^
                           (lookup(11, bytes[4]) ^ lookup(10, bytes[5]))) ^
                          ((lookup(9, bytes[6]) ^ lookup(8, bytes[7])) ^
                           (lookup(7, bytes[8]) ^ lookup(6, bytes[9]))) ^
                          ((lookup(5, bytes[10]) ^ lookup(4, bytes[11])) ^
                           (lookup(3, bytes[12]) ^ lookup(2, bytes[13]))) ^
                          (lookup(1, bytes[14]) ^ lookup(0, bytes[15]));
    state = rest ^ (lookup(15, (state >> 8) ^ bytes[0]) ^ lookup(14, (state & 0xFF) ^ bytes[1]));
    bytes += kSlices;
    length -= kSlices;
  }
  for (; length > 0; --length, ++bytes) {
    state = ((state << 8) & 0xFFFF) ^ lookup(0, (state >> 8) ^ *bytes);
  }
  return static_cast<uint16_t>(state);
}

uint32_t checksum_update_portable(const uint32_t length, const unsigned char* bytes,
                                  const uint32_t accumulator) {
  if (length < 2) return checksum_update_bytewise(length, bytes, accumulator);
  const uint16_t crc = crc16_tables(static_cast<uint16_t>(accumulator & 0xFFFF), bytes, length - 2);
  // The last two bytes through the exact loop put the two previous states'
  // high bytes into the upper half.
  return checksum_update_bytewise(2, bytes + length - 2, crc);
}

}  // namespace blobsmith
