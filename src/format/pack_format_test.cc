// Tests of the pack file's byte images and the block rule.
#include "format/pack_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string hex(const unsigned char* bytes, const size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}

TEST(PackHeader, GoldenImage) {
  PackHeader header = make_header();
  std::memcpy(header.date_stamp, "20261206", 8);
  std::memcpy(header.time_stamp, "2359", 4);
  header.entry_count = 0x01020304;
  std::memcpy(header.machine, "abcdefg", 8);
  unsigned char image[PACK_HEADER_SIZE];
  std::memset(image, 0xEE, sizeof image);
  encode_header(header, image);

  // magic, fixed words, reserved word, stamps without terminators, count,
  // checksum mode, reserved, machine with its zero byte, tail signature.
  EXPECT_EQ(hex(image, 64),
            "53464849" "0000f007" "04000000" "00000000"
            "3230323631323036" "32333539" "04030201"
            "02000000" "000000000000000000000000"
            "6162636465666700" "0000000000000000");
  for (int i = 64; i < HEADER_TAIL_SIGNATURE_AT; ++i) ASSERT_EQ(image[i], 0) << "byte " << i;
  EXPECT_EQ(hex(image + HEADER_TAIL_SIGNATURE_AT, 4), "aa55aa55");

  PackHeader decoded;
  decode_header(image, &decoded);
  EXPECT_EQ(0, std::memcmp(decoded.magic, "SFHI", 4));
  EXPECT_EQ(decoded.fixed_word_1, 0x07F00000u);
  EXPECT_EQ(decoded.fixed_word_2, 4u);
  EXPECT_EQ(decoded.entry_count, 0x01020304);
  EXPECT_EQ(decoded.checksum_mode, PACK_CHECKSUM_MODE_ON);
  EXPECT_EQ(decoded.tail_signature, PACK_TAIL_SIGNATURE);
  EXPECT_EQ(0, std::memcmp(decoded.date_stamp, "20261206", 8));
  EXPECT_EQ(0, std::memcmp(decoded.time_stamp, "2359", 4));
  EXPECT_STREQ(decoded.machine, "abcdefg");
}

TEST(PackHeader, NegativeCountDecodesSigned) {
  unsigned char image[PACK_HEADER_SIZE] = {};
  put_u32_le(image + HEADER_ENTRY_COUNT_AT, 0x80000000u);
  PackHeader header;
  decode_header(image, &header);
  EXPECT_EQ(header.entry_count, INT32_MIN);
}

TEST(PackEntry, GoldenImageAndRoundTrip) {
  PackEntry entry{};
  std::strcpy(entry.name, "img\\logo.png");
  entry.start_block = 0x00000104;  // block 260
  entry.byte_size = 1025;
  unsigned char image[PACK_ENTRY_SIZE];
  std::memset(image, 0xEE, sizeof image);
  encode_entry(entry, image);
  EXPECT_EQ(hex(image, PACK_ENTRY_SIZE),
            "696d675c6c6f676f2e706e67" + std::string(88, '0') + "04010000" "01040000");

  PackEntry decoded;
  EXPECT_EQ(decode_entry(image, &decoded), 0);
  EXPECT_STREQ(decoded.name, "img\\logo.png");
  EXPECT_EQ(decoded.start_block, 260u);
  EXPECT_EQ(decoded.byte_size, 1025);

  put_u32_le(image + ENTRY_BYTE_SIZE_AT, 0xFFFFFFFFu);
  EXPECT_EQ(decode_entry(image, &decoded), 0);
  EXPECT_EQ(decoded.byte_size, -1);
}

TEST(PackEntry, NameFillsFieldAndNeverSpills) {
  PackEntry entry{};
  std::memset(entry.name, 'x', sizeof entry.name);  // no terminator at all
  entry.start_block = 0xAABBCCDD;
  unsigned char image[PACK_ENTRY_SIZE];
  encode_entry(entry, image);
  for (int i = 0; i < PACK_NAME_MAX_LENGTH; ++i) ASSERT_EQ(image[i], 'x');
  EXPECT_EQ(image[55], 0);  // byte 55 always zero
  EXPECT_EQ(get_u32_le(image + ENTRY_START_BLOCK_AT), 0xAABBCCDDu);

  // A stored name without a zero byte in its 56 bytes is reported and cut.
  std::memset(image, 'y', PACK_NAME_FIELD_SIZE);
  PackEntry decoded;
  EXPECT_EQ(decode_entry(image, &decoded), -1);
  EXPECT_EQ(std::string(decoded.name), std::string(55, 'y'));
  EXPECT_EQ(decoded.start_block, 0xAABBCCDDu);
}

TEST(BlockRule, WholeBlocksAndTail) {
  struct Case {
    int32_t size, whole, tail, blocks;
  };
  const Case cases[] = {
      {INT32_MIN, 0, 0, 0}, {-1, 0, 0, 0},     {0, 0, 0, 0},       {1, 0, 1, 1},
      {511, 0, 511, 1},     {512, 0, 512, 1},  {513, 1, 1, 2},     {1024, 1, 512, 2},
      {1025, 2, 1, 3},      {INT32_MAX, 4194303, 511, 4194304},
  };
  for (const Case& c : cases) {
    const BlockSplit split = split_blocks(c.size);
    EXPECT_EQ(split.whole_blocks, c.whole) << "size " << c.size;
    EXPECT_EQ(split.tail_bytes, c.tail) << "size " << c.size;
    EXPECT_EQ(blocks_for_size(c.size), c.blocks) << "size " << c.size;
  }
}

}  // namespace
