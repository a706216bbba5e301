// The checksum fold: published values, and every fast path held against a
// bitwise fold written from the definition (no table) at every length,
// offset and chunking where their set-up, merge and leftovers meet.
#include "format/checksum.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "format/checksum_paths.h"

namespace blobsmith {
namespace {

// acc = (acc << 8) ^ crc16(((acc >> 8) & 0xFF) ^ b), the CRC-16 of one byte
// under 0x1021 taken bit by bit.
uint32_t bitwise_fold(const unsigned char* bytes, const size_t length, uint32_t acc) {
  for (size_t i = 0; i < length; ++i) {
    uint32_t crc = (((acc >> 8) & 0xFF) ^ bytes[i]) << 8;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) : (crc << 1);
    acc = (acc << 8) ^ (crc & 0xFFFF);
  }
  return acc;
}

using Update = uint32_t (*)(uint32_t, const unsigned char*, uint32_t);

std::vector<Update> runnable_paths() {  // the carry-less folds where the processor has them
  std::vector<Update> paths = {checksum_update, checksum_update_bytewise, checksum_update_portable};
  if (checksum_clmul_available()) paths.push_back(checksum_update_clmul);
  if (checksum_clmul_wide_available()) paths.push_back(checksum_update_clmul_wide);
  return paths;
}

std::vector<unsigned char> random_bytes(std::mt19937* random, const size_t length) {
  std::vector<unsigned char> bytes(length);
  for (unsigned char& byte : bytes) byte = static_cast<unsigned char>((*random)());
  return bytes;
}

TEST(Checksum, EveryPathMatchesTheDefinition) {
  EXPECT_EQ(CRC16_CCITT_TABLE[1], 0x1021u);
  EXPECT_EQ(CRC16_CCITT_TABLE[128], 0x9188u);
  EXPECT_EQ(CRC16_CCITT_TABLE[255], 0x1EF0u);
  std::mt19937 random(5);
  const std::vector<unsigned char> data = random_bytes(&random, 1200);
  for (const Update update : runnable_paths()) {
    EXPECT_EQ(update(9, reinterpret_cast<const unsigned char*>("123456789"), 0), 0x869031C3u);
    EXPECT_EQ(update(3, reinterpret_cast<const unsigned char*>("abc"), 0), 0x7C749DD6u);
    for (size_t offset = 0; offset < 16; ++offset) {
      for (uint32_t length = 0; length + offset <= 1100; ++length) {
        const uint32_t acc = static_cast<uint32_t>(random());
        ASSERT_EQ(update(length, data.data() + offset, acc),
                  bitwise_fold(data.data() + offset, length, acc))
            << "offset " << offset << " length " << length;
      }
    }
  }
}

TEST(Checksum, RandomChunksEqualOneFold) {
  std::mt19937 random(2026);
  const std::vector<unsigned char> data = random_bytes(&random, 1 << 20);
  const uint32_t whole = bitwise_fold(data.data(), data.size(), 0x12345678u);
  for (const Update update : runnable_paths()) {
    for (int trial = 0; trial < 8; ++trial) {
      uint32_t acc = 0x12345678u;
      for (size_t offset = 0, chunk = 0; offset < data.size(); offset += chunk) {
        const uint32_t pick = random() % 8;
        chunk = trial == 0 ? data.size()
                : pick < 4 ? pick
                : pick < 6 ? random() % 600
                           : random() % 70000;
        chunk = std::min(chunk, data.size() - offset);
        acc = update(static_cast<uint32_t>(chunk), data.data() + offset, acc);
      }
      ASSERT_EQ(acc, whole) << "trial " << trial;
    }
  }
  // A fold split anywhere and joined over the zeros of its second part.
  for (const size_t split :
       {size_t{0}, size_t{1}, size_t{2}, size_t{3}, size_t{777}, data.size()}) {
    const uint32_t first = bitwise_fold(data.data(), split, 0x12345678u);
    const uint32_t second = bitwise_fold(data.data() + split, data.size() - split, 0);
    EXPECT_EQ(checksum_after_zeros(first, data.size() - split) ^ second, whole) << split;
  }
  // The plain 16-bit CRCs the fast paths are made of.
  for (uint32_t state = 0; state <= 0xFFFF; state += 4369) {
    const auto expected = static_cast<uint16_t>(bitwise_fold(data.data(), 5000, state));
    const auto crc = static_cast<uint16_t>(state);
    EXPECT_EQ(crc16_tables(crc, data.data(), 5000), expected);
    if (checksum_clmul_available()) {
      EXPECT_EQ(crc16_clmul(crc, data.data(), 5000), expected);
    }
    if (checksum_clmul_wide_available()) {
      EXPECT_EQ(crc16_clmul_wide(crc, data.data(), 5000), expected);
    }
  }
}

}  // namespace
}  // namespace blobsmith
