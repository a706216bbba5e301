// The pack a run writes, byte for byte, against an image built in memory.
#include "pack/writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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
  // 2026-01-02 03:04 UTC, the stamp of the image built in memory; an empty
  // member takes the block of what follows it.
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

}  // namespace
}  // namespace blobsmith
