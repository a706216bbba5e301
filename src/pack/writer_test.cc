// The pack a run writes, byte for byte, against an image built in memory.
#include "pack/writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "format/pack_format.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

TEST(Writer, LayoutStampsChecksumAndZeroedEntries) {
  ScopedTempDir temp;
  const std::string odd = pattern_bytes(513, 1), two = pattern_bytes(1024, 2);
  const std::string one = "x", full = pattern_bytes(512, 3);
  write_file("res/empty.dat", "");
  write_file("res/one", one);
  write_file("res/Sub/full", full);
  write_file("res/Sub/odd", odd);
  write_file("res/Sub/two", two);
  ASSERT_EQ(symlink("nowhere", "res/gone"), 0);
  // 2026-01-02 03:04 UTC, the stamp of the image built in memory.
  setenv("SOURCE_DATE_EPOCH", "1767323040", 1);
  int status = -1;
  const std::string printed = run_tool({"--pack", "-i", "res/", "-o", "out.bin"}, &status);
  unsetenv("SOURCE_DATE_EPOCH");

  const std::string expected = sound_pack_image({{"empty.dat", "", false},
                                                 {"", "", true},
                                                 {"one", one, false},
                                                 {"Sub\\full", full, false},
                                                 {"Sub\\odd", odd, false},
                                                 {"Sub\\two", two, false}});
  const std::string image = read_file("out.bin");
  ASSERT_EQ(image.size(), expected.size());
  EXPECT_TRUE(image == expected);
  char crc[32];
  std::snprintf(crc, sizeof crc, "crc=0x%08x\n",
                get_u32_le(reinterpret_cast<const unsigned char*>(&expected[expected.size() - 4])));
  EXPECT_EQ(printed, usage_box("--pack") + "gone open failed !!!\n" + crc);
  EXPECT_EQ(status, 1);
}

std::string local_minute() {
  const std::time_t now = std::time(nullptr);
  char text[16];
  std::strftime(text, sizeof text, "%Y%m%d%H%M", std::localtime(&now));
  return text;
}

TEST(Writer, LocalStampAndAnEmptyMemberTakingTheBlockOfWhatFollows) {
  ScopedTempDir temp;
  write_file("res/a", "");
  write_file("res/b", "0123456789");
  const std::string before = local_minute();
  run_tool({"--pack", "-o", "p.bin"});
  const std::string after = local_minute();
  const std::string image = read_file("p.bin");
  const std::string stamp = image.substr(HEADER_DATE_STAMP_AT, 12);
  EXPECT_TRUE(stamp == before || stamp == after) << stamp;
  const auto* table = reinterpret_cast<const unsigned char*>(image.data() + PACK_TABLE_OFFSET);
  EXPECT_EQ(get_u32_le(table + ENTRY_START_BLOCK_AT), 260u);
  EXPECT_EQ(get_u32_le(table + PACK_ENTRY_SIZE + ENTRY_START_BLOCK_AT), 260u);
  EXPECT_EQ(image.size(), 133636u);
}

}  // namespace
}  // namespace blobsmith
