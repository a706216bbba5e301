// Tests of the checksum fold: published check values and chunking.
#include "format/checksum.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint32_t fold_text(const char* text, const uint32_t accumulator = 0) {
  return checksum_update(static_cast<uint32_t>(std::strlen(text)),
                         reinterpret_cast<const unsigned char*>(text), accumulator);
}

TEST(ChecksumTable, MatchesThePolynomial) {
  EXPECT_EQ(CRC16_CCITT_TABLE[0], 0x0000u);
  EXPECT_EQ(CRC16_CCITT_TABLE[1], 0x1021u);
  EXPECT_EQ(CRC16_CCITT_TABLE[2], 0x2042u);
  EXPECT_EQ(CRC16_CCITT_TABLE[128], 0x9188u);
  EXPECT_EQ(CRC16_CCITT_TABLE[255], 0x1EF0u);
}

TEST(ChecksumUpdate, PublishedValues) {
  EXPECT_EQ(fold_text("123456789"), 0x869031C3u);
  // The low half is the published CRC-16/XMODEM check value.
  EXPECT_EQ(fold_text("123456789") & 0xFFFFu, 0x31C3u);
  EXPECT_EQ(fold_text("abc"), 0x7C749DD6u);
  EXPECT_EQ(fold_text(""), 0u);
  EXPECT_EQ(fold_text("", 0xDEADBEEFu), 0xDEADBEEFu);
}

TEST(ChecksumUpdate, ChunkedEqualsWhole) {
  const char* text = "123456789";
  for (uint32_t cut = 0; cut <= 9; ++cut) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    const uint32_t first = checksum_update(cut, bytes, 0);
    EXPECT_EQ(checksum_update(9 - cut, bytes + cut, first), 0x869031C3u) << "cut at " << cut;
  }
}

}  // namespace
