// The pack file's byte images and the block rule.
#include "format/pack_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace blobsmith {
namespace {

std::string hex(const unsigned char* bytes, const size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < size; ++i) (text += digits[bytes[i] >> 4]) += digits[bytes[i] & 15];
  return text;
}

TEST(PackFormat, HeaderImageAndBack) {
  PackHeader header = make_header();
  std::memcpy(header.date_stamp, "20261206", 8);  // no terminators
  std::memcpy(header.time_stamp, "2359", 4);
  header.entry_count = 0x01020304;
  std::memcpy(header.machine, "abcdefgh", 8);  // the eighth byte is never stored
  unsigned char image[PACK_HEADER_SIZE];
  std::memset(image, 0xEE, sizeof image);
  encode_header(header, image);
  EXPECT_EQ(hex(image, 64),
            "53464849"
            "0000f007"
            "04000000"
            "00000000"
            "3230323631323036"
            "32333539"
            "04030201"
            "02000000"
            "000000000000000000000000"
            "6162636465666700"
            "0000000000000000");
  EXPECT_EQ(hex(image + 64, 448), std::string(888, '0') + "aa55aa55");
  PackHeader back;
  put_u32_le(image + HEADER_ENTRY_COUNT_AT, 0x80000000u);
  decode_header(image, &back);
  EXPECT_EQ(0, std::memcmp(&back.magic, "SFHI", 4));
  EXPECT_EQ(back.fixed_word_1, 0x07F00000u);
  EXPECT_EQ(back.fixed_word_2, 4u);
  EXPECT_EQ(back.entry_count, INT32_MIN);
  EXPECT_EQ(back.checksum_mode, PACK_CHECKSUM_MODE_ON);
  EXPECT_EQ(back.tail_signature, PACK_TAIL_SIGNATURE);
  EXPECT_EQ(std::string(back.date_stamp, 8) + std::string(back.time_stamp, 4), "202612062359");
  EXPECT_STREQ(back.machine, "abcdefg");
}

TEST(PackFormat, EntryImageAndBack) {
  PackEntry entry{};
  std::strcpy(entry.name, "img\\logo.png");
  entry.start_block = 260;
  entry.byte_size = -2;
  unsigned char image[PACK_ENTRY_SIZE];
  std::memset(image, 0xEE, sizeof image);
  encode_entry(entry, image);
  EXPECT_EQ(hex(image, PACK_ENTRY_SIZE), "696d675c6c6f676f2e706e67" + std::string(88, '0') +
                                             "04010000"
                                             "feffffff");
  PackEntry back;
  EXPECT_EQ(decode_entry(image, &back), 0);
  EXPECT_STREQ(back.name, "img\\logo.png");
  EXPECT_EQ(back.start_block, 260u);
  EXPECT_EQ(back.byte_size, -2);
  // A name that fills the field keeps byte 55 zero; one read without a zero
  // byte is cut to 55 and reported.
  std::memset(entry.name, 'x', sizeof entry.name);
  encode_entry(entry, image);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(image), 56), std::string(55, 'x') + '\0');
  std::memset(image, 'y', PACK_NAME_FIELD_SIZE);
  EXPECT_EQ(decode_entry(image, &back), -1);
  EXPECT_EQ(std::string(back.name), std::string(55, 'y'));
}

TEST(PackFormat, BlockRule) {
  const int32_t cases[][2] = {{INT32_MIN, 0}, {0, 0},    {1, 1},    {512, 1},
                              {513, 2},       {1024, 2}, {1025, 3}, {INT32_MAX, 4194304}};
  for (const auto& c : cases) EXPECT_EQ(blocks_for_size(c[0]), c[1]) << c[0];
}

}  // namespace
}  // namespace blobsmith
