// Tests of the pack writer through whole pack runs: byte layout, failed
// sources and round trips through the extractor.
#include "pack/writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "support/reference_checksum.h"
#include "support/test_support.h"
#include "unpack/extract.h"

namespace {

struct Entry {
  std::string name;
  uint32_t start_block;
  int32_t byte_size;
};

Entry entry_at(const std::string& pack, const int index) {
  const auto* image =
      reinterpret_cast<const unsigned char*>(pack.data()) + PACK_TABLE_OFFSET + index * PACK_ENTRY_SIZE;
  return {std::string(reinterpret_cast<const char*>(image)),
          get_u32_le(image + ENTRY_START_BLOCK_AT),
          static_cast<int32_t>(get_u32_le(image + ENTRY_BYTE_SIZE_AT))};
}

uint32_t word_at(const std::string& bytes, const size_t offset) {
  return get_u32_le(reinterpret_cast<const unsigned char*>(bytes.data()) + offset);
}

std::string crc_line_for(const std::string& pack) {
  char line[32];
  std::snprintf(line, sizeof line, "crc=0x%08x\n", reference_checksum(pack.substr(0, pack.size() - 4)));
  return line;
}

std::string stamp_now() {
  const std::time_t now = std::time(nullptr);
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d%H%M", std::localtime(&now));
  return text;
}

TEST(WritePack, OneByteMemberGoldenLayout) {
  ScopedTempDir temp;
  write_file("res/a", "Z");
  const std::string before = stamp_now();
  const std::string output = run_tool({"--pack"});
  const std::string after = stamp_now();
  const std::string pack = read_file("res.bin");
  ASSERT_EQ(pack.size(), 133636u);

  const std::string stamps = pack.substr(HEADER_DATE_STAMP_AT, 12);
  EXPECT_TRUE(stamps == before || stamps == after) << stamps;
  // magic, fixed words, reserved word; then count, mode, reserved, machine.
  EXPECT_EQ(pack.substr(0, 16), std::string("SFHI\0\0\xF0\x07\x04\0\0\0\0\0\0\0", 16));
  EXPECT_EQ(pack.substr(28, 20), std::string("\x01\0\0\0\x02\0\0\0", 8) + std::string(12, '\0'));
  EXPECT_EQ(pack.substr(48, 8), std::string("q5\0\0\0\0\0\0", 8));
  EXPECT_EQ(pack.substr(56, 452), std::string(452, '\0'));
  EXPECT_EQ(pack.substr(508, 4), "\xAA\x55\xAA\x55");
  EXPECT_EQ(pack.substr(512, 1536), std::string(1536, '\0'));

  const Entry entry = entry_at(pack, 0);
  EXPECT_EQ(entry.name, "a");
  EXPECT_EQ(entry.start_block, 260u);
  EXPECT_EQ(entry.byte_size, 1);
  EXPECT_EQ(pack.substr(PACK_TABLE_OFFSET + PACK_ENTRY_SIZE, PACK_DATA_OFFSET - PACK_TABLE_OFFSET - PACK_ENTRY_SIZE),
            std::string(PACK_DATA_OFFSET - PACK_TABLE_OFFSET - PACK_ENTRY_SIZE, '\0'));
  EXPECT_EQ(pack.substr(133120, 512), "Z" + std::string(511, '\0'));
  EXPECT_EQ(word_at(pack, 133632), reference_checksum(pack.substr(0, 133632)));
  EXPECT_EQ(output, pack_usage_text() + crc_line_for(pack));
}

TEST(WritePack, EmptyMembersNamesAndLengthFormula) {
  ScopedTempDir temp;
  write_file("in/ten", "0123456789");
  write_file("in/empty", "");
  write_file("in/sub/deeper/k", pattern_bytes(1025, 5));
  write_file("in/sub/z", pattern_bytes(512, 6));
  run_tool({"--pack", "-i", "in", "-o", "out.bin", "-m", "abcdefg"});
  const std::string pack = read_file("out.bin");
  ASSERT_EQ(pack.size(), 133120u + 512u * (3 + 1 + 1) + 4u);
  EXPECT_EQ(word_at(pack, HEADER_ENTRY_COUNT_AT), 4u);
  EXPECT_EQ(pack.substr(48, 8), std::string("abcdefg\0", 8));
  const Entry expected[] = {{"empty", 260, 0}, {"sub\\deeper\\k", 260, 1025}, {"sub\\z", 263, 512},
                            {"ten", 264, 10}};
  for (int i = 0; i < 4; ++i) {
    const Entry got = entry_at(pack, i);
    EXPECT_EQ(got.name, expected[i].name);
    EXPECT_EQ(got.start_block, expected[i].start_block) << got.name;
    EXPECT_EQ(got.byte_size, expected[i].byte_size) << got.name;
  }
  EXPECT_EQ(pack.substr(263 * 512 - 511, 511), std::string(511, '\0'));  // tail padding of k
  EXPECT_EQ(pack.substr(264 * 512 + 10, 502), std::string(502, '\0'));   // tail padding of ten
}

TEST(WritePack, RoundTripAtBlockBoundaries) {
  ScopedTempDir temp;
  std::vector<std::string> names;
  const size_t sizes[] = {0, 1, 511, 512, 513, 1023, 1024, 1025, 4096, 3 * 1024 * 1024 + 17};
  unsigned seed = 1;
  for (const size_t size : sizes) {
    const std::string name = "lvl" + std::to_string(seed % 3) + "/n" + std::to_string(size) + ".bin";
    write_file("res/" + name, pattern_bytes(size, seed++));
    names.push_back(name);
  }
  write_file("res/UPPER/Mixed.Case", "case");
  mkdir("res/empty_dir", 0777);
  run_tool({"--pack"});
  start_capture();
  EXPECT_EQ(extract_pack("res.bin", "copy"), 0);
  EXPECT_EQ(finish_capture(), "");
  names.push_back("UPPER/Mixed.Case");
  for (const std::string& name : names) {
    EXPECT_EQ(read_file("copy/" + name), read_file("res/" + name)) << name;
  }
  std::vector<std::string> expected = list_tree("res");
  std::vector<std::string> got = list_tree("copy");
  expected.erase(std::find(expected.begin(), expected.end(), "empty_dir"));
  EXPECT_EQ(got, expected);
}

}  // namespace
