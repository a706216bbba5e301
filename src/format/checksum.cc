// The checksum's table, its byte-at-a-time fold, and the choice of the
// fastest fold this processor can run.
#include "format/checksum.h"

#include "format/checksum_paths.h"

namespace blobsmith {

namespace {

// Builds the table at compile time from the polynomial, so no magic list of
// 256 numbers has to be trusted.
struct Crc16Table {
  uint32_t entries[256];
};

constexpr Crc16Table make_crc16_table() {
  Crc16Table table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t crc = i << 8;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) != 0 ? ((crc << 1) ^ 0x1021) : (crc << 1);
    }
    table.entries[i] = crc & 0xFFFF;
  }
  return table;
}

constexpr Crc16Table kTable = make_crc16_table();

using UpdateFunction = uint32_t (*)(uint32_t, const unsigned char*, uint32_t);

UpdateFunction fastest_path() {
  if (checksum_clmul_wide_available()) return checksum_update_clmul_wide;
  if (checksum_clmul_available()) return checksum_update_clmul;
  return checksum_update_portable;
}

}  // namespace

const uint32_t CRC16_CCITT_TABLE[256] = {
#define BLOBSMITH_ROW(i)                                                                  \
  kTable.entries[i], kTable.entries[i + 1], kTable.entries[i + 2], kTable.entries[i + 3], \
      kTable.entries[i + 4], kTable.entries[i + 5], kTable.entries[i + 6], kTable.entries[i + 7]
    BLOBSMITH_ROW(0),   BLOBSMITH_ROW(8),   BLOBSMITH_ROW(16),  BLOBSMITH_ROW(24),
    BLOBSMITH_ROW(32),  BLOBSMITH_ROW(40),  BLOBSMITH_ROW(48),  BLOBSMITH_ROW(56),
    BLOBSMITH_ROW(64),  BLOBSMITH_ROW(72),  BLOBSMITH_ROW(80),  BLOBSMITH_ROW(88),
    BLOBSMITH_ROW(96),  BLOBSMITH_ROW(104), BLOBSMITH_ROW(112), BLOBSMITH_ROW(120),
    BLOBSMITH_ROW(128), BLOBSMITH_ROW(136), BLOBSMITH_ROW(144), BLOBSMITH_ROW(152),
    BLOBSMITH_ROW(160), BLOBSMITH_ROW(168), BLOBSMITH_ROW(176), BLOBSMITH_ROW(184),
    BLOBSMITH_ROW(192), BLOBSMITH_ROW(200), BLOBSMITH_ROW(208), BLOBSMITH_ROW(216),
    BLOBSMITH_ROW(224), BLOBSMITH_ROW(232), BLOBSMITH_ROW(240), BLOBSMITH_ROW(248),
#undef BLOBSMITH_ROW
};

uint32_t checksum_update_bytewise(const uint32_t length, const unsigned char* bytes,
                                  uint32_t accumulator) {
  for (uint32_t i = 0; i < length; ++i) {
    const uint32_t index = ((accumulator >> 8) & 0xFF) ^ bytes[i];
    accumulator = (accumulator << 8) ^ CRC16_CCITT_TABLE[index];
  }
  return accumulator;
}

uint32_t checksum_update(const uint32_t length, const unsigned char* bytes,
                         const uint32_t accumulator) {
  // The processor is asked on every call (a few loads once the runtime has
  // read its features) rather than the answer kept in process-wide state;
  // every path gives the same accumulator.
  return fastest_path()(length, bytes, accumulator);
}

namespace {

// A linear map of 32-bit accumulators over GF(2): column j is the image of
// bit j alone.
struct FoldMatrix {
  uint32_t columns[32];
};

constexpr uint32_t apply(const FoldMatrix& matrix, uint32_t vector) {
  uint32_t image = 0;
  for (int j = 0; vector != 0; ++j, vector >>= 1) {
    if ((vector & 1) != 0) image ^= matrix.columns[j];
  }
  return image;
}

// The maps of 1, 2, 4, ... 2^63 zero bytes, built at compile time: one zero
// byte is acc = (acc << 8) ^ TABLE[(acc >> 8) & 0xFF], linear because the
// table is, and each power is the square of the one before. Joining the
// folds of many members then costs a few table lookups each.
struct ZeroPowers {
  FoldMatrix powers[64];
};

constexpr ZeroPowers make_zero_powers() {
  ZeroPowers table{};
  for (int j = 0; j < 32; ++j) {
    const uint32_t bit = uint32_t{1} << j;
    table.powers[0].columns[j] = (bit << 8) ^ kTable.entries[(bit >> 8) & 0xFF];
  }
  for (int k = 1; k < 64; ++k) {
    for (int j = 0; j < 32; ++j) {
      table.powers[k].columns[j] = apply(table.powers[k - 1], table.powers[k - 1].columns[j]);
    }
  }
  return table;
}

constexpr ZeroPowers kZeroPowers = make_zero_powers();

}  // namespace

uint32_t checksum_after_zeros(uint32_t accumulator, const uint64_t length) {
  for (int k = 0; k < 64; ++k) {
    if (((length >> k) & 1) != 0) accumulator = apply(kZeroPowers.powers[k], accumulator);
  }
  return accumulator;
}

}  // namespace blobsmith
