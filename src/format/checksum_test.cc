// Tests of the checksum fold: published check values, chunking, and every
// fast path held against the byte-at-a-time loop.
#include "format/checksum.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "format/checksum_paths.h"

namespace {

// The fold exactly as the accumulator is defined, one byte at a time.
uint32_t reference_fold(const unsigned char* bytes, const size_t length, uint32_t accumulator) {
  for (size_t i = 0; i < length; ++i) {
    accumulator = (accumulator << 8) ^ CRC16_CCITT_TABLE[((accumulator >> 8) & 0xFF) ^ bytes[i]];
  }
  return accumulator;
}

uint32_t fold_text(const char* text, const uint32_t accumulator = 0) {
  return checksum_update(static_cast<uint32_t>(std::strlen(text)),
                         reinterpret_cast<const unsigned char*>(text), accumulator);
}

using UpdateFunction = uint32_t (*)(uint32_t, const unsigned char*, uint32_t);

struct NamedPath {
  const char* name;
  UpdateFunction update;
};

// The paths this processor can run; the carry-less one only where it exists.
std::vector<NamedPath> runnable_paths() {
  std::vector<NamedPath> paths = {{"dispatched", checksum_update},
                                  {"bytewise", checksum_update_bytewise},
                                  {"portable", checksum_update_portable}};
  if (checksum_clmul_available()) paths.push_back({"clmul", checksum_update_clmul});
  if (checksum_clmul_wide_available()) paths.push_back({"clmul wide", checksum_update_clmul_wide});
  return paths;
}

std::vector<unsigned char> random_bytes(std::mt19937* random, const size_t length) {
  std::vector<unsigned char> bytes(length);
  for (unsigned char& byte : bytes) byte = static_cast<unsigned char>((*random)() & 0xFF);
  return bytes;
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

TEST(ChecksumPaths, PublishedValuesOnEveryPath) {
  const auto* digits = reinterpret_cast<const unsigned char*>("123456789");
  const auto* letters = reinterpret_cast<const unsigned char*>("abc");
  for (const NamedPath& path : runnable_paths()) {
    EXPECT_EQ(path.update(9, digits, 0), 0x869031C3u) << path.name;
    EXPECT_EQ(path.update(3, letters, 0), 0x7C749DD6u) << path.name;
    EXPECT_EQ(path.update(0, digits, 0xDEADBEEFu), 0xDEADBEEFu) << path.name;
  }
}

// Inputs of 0 to 3 bytes keep part of the starting accumulator's upper half;
// every path must carry it exactly as the byte loop does.
TEST(ChecksumPaths, ShortInputsKeepTheUpperHalf) {
  std::mt19937 random(7);
  const unsigned char bytes[3] = {0x00, 0xA5, 0xFF};
  for (const NamedPath& path : runnable_paths()) {
    for (int trial = 0; trial < 4096; ++trial) {
      const uint32_t accumulator = static_cast<uint32_t>(random());
      for (uint32_t length = 0; length <= 3; ++length) {
        ASSERT_EQ(path.update(length, bytes, accumulator), reference_fold(bytes, length, accumulator))
            << path.name << " length " << length << " from " << std::hex << accumulator;
      }
    }
  }
}

// Every low half of the starting accumulator, with a few upper halves, over
// lengths that reach each path's bulk loop and its leftover bytes.
TEST(ChecksumPaths, EveryStartingStateMatchesTheByteLoop) {
  std::mt19937 random(11);
  const std::vector<unsigned char> data = random_bytes(&random, 300);
  const uint32_t upper_halves[] = {0x0000u, 0xFFFFu, 0x5AC3u};
  const uint32_t lengths[] = {2, 17, 258, 300};
  for (const NamedPath& path : runnable_paths()) {
    for (const uint32_t length : lengths) {
      for (uint32_t low = 0; low <= 0xFFFF; ++low) {
        const uint32_t accumulator = (upper_halves[low % 3] << 16) | low;
        const uint32_t expected = reference_fold(data.data(), length, accumulator);
        if (path.update(length, data.data(), accumulator) != expected) {
          FAIL() << path.name << " length " << length << " from " << std::hex << accumulator;
        }
      }
    }
  }
}

TEST(ChecksumPaths, RandomChunksEqualOneFold) {
  std::mt19937 random(2026);
  const std::vector<unsigned char> data = random_bytes(&random, 1 << 20);
  const uint32_t whole = reference_fold(data.data(), data.size(), 0x12345678u);
  for (const NamedPath& path : runnable_paths()) {
    EXPECT_EQ(path.update(static_cast<uint32_t>(data.size()), data.data(), 0x12345678u), whole)
        << path.name;
    for (int trial = 0; trial < 20; ++trial) {
      uint32_t accumulator = static_cast<uint32_t>(random());
      const uint32_t start = accumulator;
      size_t offset = 0;
      while (offset < data.size()) {
        // Mostly tiny chunks, some around the fast paths' thresholds, a few large.
        const uint32_t pick = random() % 8;
        size_t chunk = pick < 4 ? pick : pick < 6 ? random() % 600 : random() % 70000;
        if (chunk > data.size() - offset) chunk = data.size() - offset;
        accumulator = path.update(static_cast<uint32_t>(chunk), data.data() + offset, accumulator);
        offset += chunk;
      }
      ASSERT_EQ(accumulator, reference_fold(data.data(), data.size(), start))
          << path.name << " trial " << trial;
    }
  }
}

// Unaligned starts and every length up to a few strides of the carry-less
// folds, where their setup, their merge and their leftovers meet.
TEST(ChecksumPaths, EveryLengthAndOffsetNearTheThresholds) {
  std::mt19937 random(5);
  const std::vector<unsigned char> data = random_bytes(&random, 1200);
  for (const NamedPath& path : runnable_paths()) {
    for (size_t offset = 0; offset < 16; ++offset) {
      for (uint32_t length = 0; length + offset <= 1100; ++length) {
        const uint32_t accumulator = static_cast<uint32_t>(random());
        ASSERT_EQ(path.update(length, data.data() + offset, accumulator),
                  reference_fold(data.data() + offset, length, accumulator))
            << path.name << " offset " << offset << " length " << length;
      }
    }
  }
}

TEST(ChecksumPaths, SixteenBitCrcsAgree) {
  std::mt19937 random(3);
  const std::vector<unsigned char> data = random_bytes(&random, 5000);
  for (uint32_t state = 0; state <= 0xFFFF; state += 257) {
    // With a zero upper half, the low 16 bits of the fold are the plain CRC.
    const uint16_t expected =
        static_cast<uint16_t>(reference_fold(data.data(), data.size(), state) & 0xFFFF);
    EXPECT_EQ(crc16_tables(static_cast<uint16_t>(state), data.data(), data.size()), expected);
    if (checksum_clmul_available()) {
      EXPECT_EQ(crc16_clmul(static_cast<uint16_t>(state), data.data(), data.size()), expected);
    }
    if (checksum_clmul_wide_available()) {
      EXPECT_EQ(crc16_clmul_wide(static_cast<uint16_t>(state), data.data(), data.size()), expected);
    }
  }
}

}  // namespace
