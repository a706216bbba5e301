// Tests of --list: the exact lines for a pack, and one message for a file
// that cannot be read as one.
#include "inspect/list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/commands.h"
#include "read/pack_image_testing.h"
#include "read/pack_reader.h"
#include "support/test_support.h"

namespace {

std::string list_output(const std::string& image) {
  write_file("res.bin", image);
  start_capture();
  list_pack("res.bin");
  return finish_capture();
}

TEST(ListPack, HeaderLineThenOneAlignedLinePerEntry) {
  ScopedTempDir temp;
  std::vector<TestMember> members = {
      {"_x.txt", "x", false},
      {"a.txt", "", false},
      zeroed_member(),
      {"img\\Tile1024.bin", std::string(1024, 't'), false},
      {"z", std::string(70000, 'z'), false},
      {"zz", "\x01", false},
  };
  EXPECT_EQ("machine \"pc7char\"  packed 2026-12-06 22:36  entries 6\n"
            "    260          1  _x.txt\n"
            "    261          0  a.txt\n"
            "      0          0  (zeroed entry)\n"
            "    261       1024  img\\Tile1024.bin\n"
            "    263      70000  z\n"
            "    400          1  zz\n",
            list_output(build_sound_pack_image(members, "pc7char")));
}

TEST(ListPack, ShowsDamageAsStoredWithoutDrivingTheTerminal) {
  ScopedTempDir temp;
  std::string image = build_sound_pack_image({{"a", "a", false}, {"b", "b", false}}, "");
  image.replace(HEADER_DATE_STAMP_AT, 12, "2026\x1b" "206x236");
  image.replace(pack_image_entry_offset(0), 3, "\x1b]0");
  poke_u32(&image, pack_image_entry_offset(1) + ENTRY_BYTE_SIZE_AT, 0xFFFFFFFF);
  poke_u32(&image, pack_image_entry_offset(1) + ENTRY_START_BLOCK_AT, 0xFFFFFFFF);
  image.replace(pack_image_entry_offset(1), PACK_NAME_FIELD_SIZE, std::string(56, 'n'));
  EXPECT_EQ("machine \"\"  packed 2026-?2-06 ?2:36  entries 2\n"
            "    260          1  ?]0\n"
            "4294967295         -1  " + std::string(55, 'n') + "\n",
            list_output(image));
}

TEST(ListPack, FilesThatAreNotPacksGetOneLine) {
  ScopedTempDir temp;
  const std::string good = build_sound_pack_image({{"a", "a", false}, {"b", "b", false}});
  start_capture();
  EXPECT_EQ(PACK_READ_OPEN_FAILED, list_pack("missing.bin"));
  EXPECT_EQ("missing.bin open failed !!!\n", finish_capture());

  EXPECT_EQ("res.bin read header failed !!!\n", list_output(good.substr(0, 100)));
  std::string bad = good;
  bad[0] = 'P';
  EXPECT_EQ("res.bin is not a pack file !!!\n", list_output(bad));
  bad = good;
  poke_u32(&bad, HEADER_ENTRY_COUNT_AT, 0xFFFFFFFE);
  EXPECT_EQ("res.bin entry count -2 is out of range, nothing listed !!!\n", list_output(bad));
  EXPECT_EQ("res.bin read failed !!!\n", list_output(good.substr(0, PACK_TABLE_OFFSET + 100)));
}

TEST(ListCommand, OptionsAndStatus) {
  ScopedTempDir temp;
  start_capture();
  print_list_usage();
  const std::string box = finish_capture();
  write_file("other.bin", build_sound_pack_image({{"a", "a", false}}));
  int status = -1;
  const std::string listing =
      "machine \"q5\"  packed 2026-12-06 22:36  entries 1\n"
      "    260          1  a\n";
  EXPECT_EQ(box + listing, run_tool({"-i", "other.bin", "--list"}, &status));
  EXPECT_EQ(0, status);
  EXPECT_EQ(box + "res.bin open failed !!!\n", run_tool({"--list", "-i"}, &status));
  EXPECT_EQ(0, status);
  EXPECT_EQ(box + "blobsmith 0.1.0\n", run_tool({"--list", "-i", "other.bin", "-v"}, &status));
  // "-v" as the value of "-i" is a file name.
  EXPECT_EQ(box + "-v open failed !!!\n", run_tool({"--list", "-i", "-v"}, &status));
  // "-o" means nothing here: its value is examined on its own.
  EXPECT_EQ(box + "blobsmith 0.1.0\n", run_tool({"--list", "-o", "-v"}, &status));
  EXPECT_EQ(0, status);
}

}  // namespace
