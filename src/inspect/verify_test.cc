// --verify, the oracle other tests lean on: a sound pack changed one way per
// row, each row a line --verify can print, with its exact text and status.
#include "inspect/verify.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "format/checksum.h"
#include "format/pack_format.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

using Image = std::string;

// a.txt in block 260, img\b.bin in 261 and 262, a zeroed entry, z at 263.
const std::vector<ImageMember> kSound = {{"a.txt", "hello", false},
                                         {"img\\b.bin", std::string(600, 'b'), false},
                                         {"", "", true},
                                         {"z", "", false}};

size_t slot(const int index) { return PACK_TABLE_OFFSET + static_cast<size_t>(index) * 64; }

void put_word(Image* image, const size_t at, const uint32_t value) {
  put_u32_le(reinterpret_cast<unsigned char*>(&(*image)[at]), value);
}

void fix_checksum(Image* image) {
  const size_t body = image->size() - PACK_CHECKSUM_SIZE;
  put_word(image, body,
           checksum_update(static_cast<uint32_t>(body),
                           reinterpret_cast<const unsigned char*>(image->data()), 0));
}

struct Row {
  const char* why;
  std::vector<ImageMember> members;  // empty: kSound
  std::function<void(Image*)> change;
  std::string lines;  // before the verdict line
};

TEST(Verify, EachRuleCatchesOneChangeToASoundPack) {
  // clang-format off
  const std::vector<Row> rows = {
      {"sound", {}, nullptr, ""},
      {"sound with 2047 entries", std::vector<ImageMember>(2047, {"", "", true}), nullptr, ""},
      {"short header", {}, [](Image* i) { i->resize(100); },
       "file is 100 bytes, shorter than a pack header !!!\n"},
      {"not whole blocks", {}, [](Image* i) { i->push_back('\0'); },
       "file is 134661 bytes, not whole blocks and a checksum word !!!\n"},
      {"magic", {}, [](Image* i) { (*i)[0] = 'X'; }, "header magic is not \"SFHI\" !!!\n"},
      {"fixed word 1", {}, [](Image* i) { (*i)[4] = 1; },
       "header word at offset 4 is 0x07f00001, expected 0x07f00000 !!!\n"},
      {"fixed word 2", {}, [](Image* i) { (*i)[8] = 5; },
       "header word at offset 8 is 5, expected 4 !!!\n"},
      {"stamps", {}, [](Image* i) { (*i)[27] = ':'; },
       "header date and time stamps are not 12 digits !!!\n"},
      {"entry count", {}, [](Image* i) { put_word(i, 28, 0); },
       "header entry count 0 is outside 1 to 2047 !!!\n"},
      {"checksum mode", {}, [](Image* i) { (*i)[35] = 1; },
       "header checksum mode is 16777218, expected 2 !!!\n"},
      {"machine", {}, [](Image* i) { i->replace(48, 8, "abcdefgh"); },
       "header machine field is not zero-padded !!!\n"},
      {"header reserved", {}, [](Image* i) { (*i)[40] = 1; },
       "header reserved bytes are not zero, first at offset 40 !!!\n"},
      {"tail signature", {}, [](Image* i) { (*i)[508] = 0; },
       "header tail signature is 0x55aa5500, expected 0x55aa55aa !!!\n"},
      {"no room for the table", {}, [](Image* i) { i->resize(2 * 512 + 4); },
       "file is 1028 bytes, shorter than the header, table and checksum !!!\n"},
      {"reserved blocks", {}, [](Image* i) { (*i)[600] = 1; },
       "reserved blocks are not zero, first at offset 600 !!!\n"},
      {"zeroed entry with a size", {}, [](Image* i) { (*i)[slot(2) + 60] = 1; },
       "entry 2 has no name but is not all zero !!!\n"},
      {"name without terminator", {}, [](Image* i) { i->replace(slot(3), 56, 56, 'z'); },
       "entry 3 " + std::string(55, 'z') + ": name is not terminated !!!\n"},
      {"bytes after the name", {}, [](Image* i) { (*i)[slot(0) + 10] = 'x'; },
       "entry 0 a.txt: bytes after the name are not zero !!!\n"},
      {"unsafe", {{"..\\x", "1", false}}, nullptr, "entry 0 ..\\x: unsafe name !!!\n"},
      {"trailing separator", {{"a\\", "1", false}}, nullptr,
       "entry 0 a\\: name ends in a separator !!!\n"},
      {"empty level", {{"a\\\\b", "1", false}}, nullptr,
       "entry 0 a\\\\b: name has an empty level !!!\n"},
      {"dot", {{".", "1", false}}, nullptr, "entry 0 .: name has a \".\" level !!!\n"},
      {"slash", {{"a/b", "1", false}}, nullptr, "entry 0 a/b: name has \"/\" between levels !!!\n"},
      {"not UTF-8", {{"caf\xe9", "1", false}}, nullptr,
       "entry 0 caf\\xE9: cannot be made on Windows, it is not UTF-8 !!!\n"},
      {"same name", {{"a", "1", false}, {"a", "2", false}}, nullptr,
       "entry 1 a: same name as entry 0 !!!\n"},
      {"letter case", {{"A", "1", false}, {"a", "2", false}}, nullptr,
       "entry 1 a: differs only in letter case from entry 0 !!!\n"},
      {"trailing dot twins", {{"b", "1", false}, {"b!", "2", false}, {"b.", "3", false}}, nullptr,
       "entry 2 b.: cannot be made on Windows, a level ends in a dot or a space !!!\n"
       "entry 2 b.: names the same file as entry 0 !!!\n"},
      {"dot level twins", {{"a\\.\\b", "1", false}, {"a\\b", "2", false}}, nullptr,
       "entry 0 a\\.\\b: name has a \".\" level !!!\n"
       "entry 1 a\\b: names the same file as entry 0 !!!\n"},
      {"a file that is a level", {{"a", "1", false}, {"a\\b", "2", false}}, nullptr,
       "entry 1 a\\b: a level of it is the file of entry 0 !!!\n"},
      {"order", {{"b", "1", false}, {"a", "2", false}}, nullptr,
       "entry 1 a: out of order after b !!!\n"},
      {"negative size", {}, [](Image* i) { put_word(i, slot(3) + 60, 0xFFFFFFFF); },
       "entry 3 z: negative byte size -1 !!!\n"},
      {"a gap before a member", {}, [](Image* i) { put_word(i, slot(3) + 56, 264); },
       "entry 3 z: starts at block 264, expected 263 !!!\n"},
      {"shared blocks", {}, [](Image* i) { put_word(i, slot(1) + 56, 260); },
       "entry 1 img\\b.bin: starts at block 260, expected 261 !!!\n"
       "entry 3 z: starts at block 263, expected 262 !!!\n"
       "entry 1 img\\b.bin: padding after the last byte is not zero !!!\n"},
      {"data past the end", {}, [](Image* i) { put_word(i, slot(1) + 60, 2000); },
       "entry 1 img\\b.bin: data runs past the end of the file !!!\n"
       "entry 3 z: starts at block 263, expected 265 !!!\n"
       "file is 134660 bytes, expected 135684 !!!\n"},
      {"unused slot", {}, [](Image* i) { (*i)[slot(4) + 3] = 1; },
       "unused table slots are not zero, first at slot 4 !!!\n"},
      {"a block too many", {}, [](Image* i) { i->insert(i->size() - 4, 512, '\0'); },
       "file is 135172 bytes, expected 134660 !!!\n"},
      {"padding", {}, [](Image* i) { (*i)[PACK_DATA_OFFSET + 5] = 1; },
       "entry 0 a.txt: padding after the last byte is not zero !!!\n"},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    ScopedTempDir temp;
    std::vector<ImageMember> members = row.members;
    if (members.empty()) members = kSound;
    Image image = sound_pack_image(members);
    if (row.change) row.change(&image);
    if (image.size() > PACK_CHECKSUM_SIZE) fix_checksum(&image);
    write_file("res.bin", image);
    int status = -1;
    const std::string printed = run_tool({"--verify"}, &status);
    const int problems = static_cast<int>(std::count(row.lines.begin(), row.lines.end(), '\n'));
    const std::string verdict = problems == 0
                                    ? "res.bin is sound\n"
                                    : "res.bin is not sound, " + std::to_string(problems) +
                                          (problems == 1 ? " problem !!!\n" : " problems !!!\n");
    EXPECT_EQ(printed, usage_box("--verify") + row.lines + verdict);
    EXPECT_EQ(status, problems == 0 ? 0 : 1);
  }
}

TEST(Verify, ChecksumAndSize) {
  ScopedTempDir temp;
  Image image = sound_pack_image(kSound);
  const uint32_t computed =
      get_u32_le(reinterpret_cast<const unsigned char*>(&image[image.size() - 4]));
  image.back() = static_cast<char>(image.back() ^ 0x80);
  write_file("res.bin", image);
  int status = -1;
  char line[80];
  std::snprintf(line, sizeof line, "checksum is 0x%08x, computed 0x%08x !!!\n",
                static_cast<unsigned>(computed ^ 0x80000000u), static_cast<unsigned>(computed));
  EXPECT_EQ(run_tool({"--verify"}, &status),
            usage_box("--verify") + line + "res.bin is not sound, 1 problem !!!\n");
  EXPECT_EQ(status, 1);
  ASSERT_EQ(truncate("res.bin", int64_t{3} << 30), 0);
  EXPECT_EQ(run_tool({"--verify"}, &status),
            usage_box("--verify") +
                "file is 3221225472 bytes, more than a pack can hold !!!\n"
                "res.bin is not sound, 1 problem !!!\n");
  EXPECT_EQ(status, 1);
}

}  // namespace
}  // namespace blobsmith
