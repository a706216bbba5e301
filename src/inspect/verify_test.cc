// Tests of --verify: one damage at a time, each with the exact lines it
// must produce.
#include "inspect/verify.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "format/checksum.h"
#include "read/pack_image_testing.h"
#include "support/test_support.h"

namespace {

// a.txt at 260, b\c.bin at 261 and 262, a zeroed entry, the empty d.txt
// and e.txt both at 263; 4 data blocks, 135172 bytes.
std::string sample_pack() {
  return build_sound_pack_image({
      {"a.txt", "hello", false},
      {"b\\c.bin", std::string(600, 'c'), false},
      zeroed_member(),
      {"d.txt", "", false},
      {"e.txt", "e", false},
  });
}

std::string verify_output(const std::string& image, int* problems = nullptr) {
  write_file("res.bin", image);
  start_capture();
  const int found = verify_pack("res.bin");
  if (problems != nullptr) *problems = found;
  return finish_capture();
}

std::string checksum_line(const std::string& image) {
  const size_t body = image.size() - PACK_CHECKSUM_SIZE;
  const uint32_t computed = checksum_update(
      static_cast<uint32_t>(body), reinterpret_cast<const unsigned char*>(image.data()), 0);
  const uint32_t stored =
      get_u32_le(reinterpret_cast<const unsigned char*>(image.data()) + body);
  char line[80];
  std::snprintf(line, sizeof line, "checksum is 0x%08x, computed 0x%08x !!!\n",
                static_cast<unsigned>(stored), static_cast<unsigned>(computed));
  return line;
}

void set_name(std::string* image, const int index, const std::string& name) {
  std::string field(PACK_NAME_FIELD_SIZE, '\0');
  field.replace(0, name.size(), name);
  image->replace(pack_image_entry_offset(index), PACK_NAME_FIELD_SIZE, field);
}

TEST(VerifyPack, SoundPackAndCaseVariants) {
  ScopedTempDir temp;
  int problems = -1;
  EXPECT_EQ("res.bin is sound\n", verify_output(sample_pack(), &problems));
  EXPECT_EQ(0, problems);
  // Names that differ only in case compare equal in the packer's order;
  // a file system that keeps both gives a sound pack.
  std::string image = sample_pack();
  set_name(&image, 4, "D.TXT");
  reseal_pack_image(&image);
  EXPECT_EQ("res.bin is sound\n", verify_output(image));
  // The largest table the tool writes.
  std::vector<TestMember> members;
  char name[16];
  for (int i = 0; i < PACK_MAX_USABLE_ENTRIES; ++i) {
    std::snprintf(name, sizeof name, "f%04d", i);
    members.push_back({name, std::string(static_cast<size_t>(i % 700), 'x'), false});
  }
  EXPECT_EQ("res.bin is sound\n", verify_output(build_sound_pack_image(members)));
}

// Each case damages the sample, recomputes the checksum so that only the
// damage itself shows, and lists every line it must cause.
TEST(VerifyPack, EachDamageIsNamed) {
  ScopedTempDir temp;
  struct Case {
    const char* why;
    std::function<void(std::string*)> damage;
    std::string lines;
  };
  const Case cases[] = {
      {"magic", [](std::string* p) { (*p)[2] = 'h'; }, "header magic is not \"SFHI\" !!!\n"},
      {"fixed word 1", [](std::string* p) { poke_u32(p, 4, 0x07F00001); },
       "header word at offset 4 is 0x07f00001, expected 0x07f00000 !!!\n"},
      {"fixed word 2", [](std::string* p) { poke_u32(p, 8, 5); },
       "header word at offset 8 is 5, expected 4 !!!\n"},
      {"stamp", [](std::string* p) { (*p)[HEADER_TIME_STAMP_AT + 3] = ' '; },
       "header date and time stamps are not 12 digits !!!\n"},
      {"count zero: the table cannot be read",
       [](std::string* p) { poke_u32(p, HEADER_ENTRY_COUNT_AT, 0); },
       "header entry count 0 is outside 1 to 2047 !!!\n"},
      {"count 2048", [](std::string* p) { poke_u32(p, HEADER_ENTRY_COUNT_AT, 2048); },
       "header entry count 2048 is outside 1 to 2047 !!!\n"},
      {"count one short", [](std::string* p) { poke_u32(p, HEADER_ENTRY_COUNT_AT, 4); },
       "unused table slots are not zero, first at slot 4 !!!\n"
       "file is 135172 bytes, expected 134660 !!!\n"},
      {"checksum mode", [](std::string* p) { poke_u32(p, HEADER_CHECKSUM_MODE_AT, 0); },
       "header checksum mode is 0, expected 2 !!!\n"},
      {"machine without terminator", [](std::string* p) { p->replace(HEADER_MACHINE_AT, 8, "abcdefgh"); },
       "header machine field is not zero-padded !!!\n"},
      {"machine with bytes after the terminator",
       [](std::string* p) { (*p)[HEADER_MACHINE_AT + 4] = 'x'; },
       "header machine field is not zero-padded !!!\n"},
      {"header word 12", [](std::string* p) { (*p)[13] = 1; },
       "header reserved bytes are not zero, first at offset 13 !!!\n"},
      {"header reserved after machine", [](std::string* p) { (*p)[507] = 1; },
       "header reserved bytes are not zero, first at offset 507 !!!\n"},
      {"tail signature", [](std::string* p) { poke_u32(p, HEADER_TAIL_SIGNATURE_AT, 0x55AA55AB); },
       "header tail signature is 0x55aa55ab, expected 0x55aa55aa !!!\n"},
      {"reserved block", [](std::string* p) { (*p)[1000] = 7; },
       "reserved blocks are not zero, first at offset 1000 !!!\n"},
      {"unterminated name", [](std::string* p) { set_name(p, 0, std::string(56, 'a')); },
       "entry 0 " + std::string(55, 'a') + ": name is not terminated !!!\n"},
      {"bytes after a name", [](std::string* p) { (*p)[pack_image_entry_offset(1) + 20] = 'z'; },
       "entry 1 b\\c.bin: bytes after the name are not zero !!!\n"},
      {"unsafe name", [](std::string* p) { set_name(p, 4, "e\\..\\x"); },
       "entry 4 e\\..\\x: unsafe name !!!\n"},
      {"out of order", [](std::string* p) { set_name(p, 0, "f.txt"); },
       "entry 1 b\\c.bin: out of order after f.txt !!!\n"},
      {"same name twice", [](std::string* p) { set_name(p, 4, "d.txt"); },
       "entry 4 d.txt: same name as entry 3 !!!\n"},
      {"negative size",
       [](std::string* p) { poke_u32(p, pack_image_entry_offset(3) + ENTRY_BYTE_SIZE_AT, 0xFFFFFFFF); },
       "entry 3 d.txt: negative byte size -1 !!!\n"},
      {"member moved one block on",
       [](std::string* p) { poke_u32(p, pack_image_entry_offset(4) + ENTRY_START_BLOCK_AT, 264); },
       "entry 4 e.txt: starts at block 264, expected 263 !!!\n"
       "entry 4 e.txt: data runs past the end of the file !!!\n"},
      {"member pointing into the header",
       [](std::string* p) { poke_u32(p, pack_image_entry_offset(0) + ENTRY_START_BLOCK_AT, 0); },
       "entry 0 a.txt: starts at block 0, expected 260 !!!\n"
       "entry 1 b\\c.bin: starts at block 261, expected 1 !!!\n"},
      {"empty member at the wrong block",
       [](std::string* p) { poke_u32(p, pack_image_entry_offset(3) + ENTRY_START_BLOCK_AT, 262); },
       "entry 3 d.txt: starts at block 262, expected 263 !!!\n"
       "entry 4 e.txt: starts at block 263, expected 262 !!!\n"},
      {"size grown into the next block",
       [](std::string* p) { poke_u32(p, pack_image_entry_offset(0) + ENTRY_BYTE_SIZE_AT, 513); },
       "entry 1 b\\c.bin: starts at block 261, expected 262 !!!\n"
       "file is 135172 bytes, expected 135684 !!!\n"
       "entry 0 a.txt: padding after the last byte is not zero !!!\n"},
      {"zeroed entry with a start block",
       [](std::string* p) { poke_u32(p, pack_image_entry_offset(2) + ENTRY_START_BLOCK_AT, 5); },
       "entry 2 has no name but is not all zero !!!\n"},
      {"padding of a one-block member", [](std::string* p) { (*p)[260 * 512 + 5] = 'x'; },
       "entry 0 a.txt: padding after the last byte is not zero !!!\n"},
      {"padding of a two-block member, last byte", [](std::string* p) { (*p)[263 * 512 - 1] = 1; },
       "entry 1 b\\c.bin: padding after the last byte is not zero !!!\n"},
      {"an extra block before the checksum",
       [](std::string* p) { p->insert(p->size() - 4, std::string(512, '\0')); },
       "file is 135684 bytes, expected 135172 !!!\n"},
  };
  for (const Case& c : cases) {
    std::string image = sample_pack();
    c.damage(&image);
    reseal_pack_image(&image);
    int problems = 0;
    const std::string output = verify_output(image, &problems);
    const int lines = static_cast<int>(std::count(c.lines.begin(), c.lines.end(), '\n'));
    const std::string verdict = "res.bin is not sound, " + std::to_string(lines) +
                                (lines == 1 ? " problem !!!\n" : " problems !!!\n");
    EXPECT_EQ(c.lines + verdict, output) << c.why;
    EXPECT_EQ(lines, problems) << c.why;
  }
}

TEST(VerifyPack, ControlCharactersInNamesAreNotPrinted) {
  ScopedTempDir temp;
  std::string image = sample_pack();
  set_name(&image, 4, "e\x1b[2J\x7f");
  image[pack_image_entry_offset(4) + 30] = 1;
  reseal_pack_image(&image);
  EXPECT_EQ("entry 4 e?[2J?: bytes after the name are not zero !!!\n"
            "res.bin is not sound, 1 problem !!!\n",
            verify_output(image));
}

TEST(VerifyPack, ChecksumTruncationAndShortFiles) {
  ScopedTempDir temp;
  std::string image = sample_pack();
  image[image.size() - 1] = static_cast<char>(image[image.size() - 1] ^ 0x40);
  EXPECT_EQ(checksum_line(image) + "res.bin is not sound, 1 problem !!!\n", verify_output(image));

  // One flipped data byte: the checksum is all that can tell.
  image = sample_pack();
  image[261 * 512 + 3] = 'C';
  EXPECT_EQ(checksum_line(image) + "res.bin is not sound, 1 problem !!!\n", verify_output(image));

  // Cut inside b\c.bin: what the last four bytes hold is taken as the word.
  image = sample_pack().substr(0, 134000);
  EXPECT_EQ("entry 1 b\\c.bin: data runs past the end of the file !!!\n"
            "entry 4 e.txt: data runs past the end of the file !!!\n"
            "file is 134000 bytes, expected 135172 !!!\n" +
                checksum_line(image) + "res.bin is not sound, 4 problems !!!\n",
            verify_output(image));

  // Without its checksum word the file is 4 bytes short.
  image = sample_pack();
  image.resize(image.size() - 4);
  EXPECT_EQ("entry 4 e.txt: data runs past the end of the file !!!\n"
            "file is 135168 bytes, expected 135172 !!!\n" +
                checksum_line(image) + "res.bin is not sound, 3 problems !!!\n",
            verify_output(image));

  EXPECT_EQ("file is 0 bytes, shorter than a pack header !!!\n"
            "res.bin is not sound, 1 problem !!!\n",
            verify_output(""));
  EXPECT_EQ("file is 511 bytes, shorter than a pack header !!!\n"
            "res.bin is not sound, 1 problem !!!\n",
            verify_output(sample_pack().substr(0, 511)));
  EXPECT_EQ("file is 133123 bytes, shorter than the header, table and checksum !!!\n"
            "res.bin is not sound, 1 problem !!!\n",
            verify_output(sample_pack().substr(0, 133123)));
}

TEST(VerifyCommand, ExitStatusAndOptions) {
  ScopedTempDir temp;
  start_capture();
  print_verify_usage();
  const std::string box = finish_capture();
  int status = -1;
  EXPECT_EQ(box + "res.bin open failed !!!\nres.bin is not sound, 1 problem !!!\n",
            run_tool({"--verify"}, &status));
  EXPECT_EQ(1, status);

  write_file("res.bin", sample_pack());
  EXPECT_EQ(box + "res.bin is sound\n", run_tool({"--verify"}, &status));
  EXPECT_EQ(0, status);
  // "-i" as the last argument ends the walk; the default stays.
  EXPECT_EQ(box + "res.bin is sound\n", run_tool({"-o", "x", "--verify", "-i"}, &status));
  EXPECT_EQ(0, status);

  std::string damaged = sample_pack();
  damaged[HEADER_MAGIC_AT] = 's';
  write_file("other.bin", damaged);
  EXPECT_EQ(box + "header magic is not \"SFHI\" !!!\n" + checksum_line(damaged) +
                "other.bin is not sound, 2 problems !!!\n",
            run_tool({"-i", "other.bin", "--verify"}, &status));
  EXPECT_EQ(1, status);
  // "-v" stops the run before the file is read: nothing was checked.
  EXPECT_EQ(box + "blobsmith 0.1.0\n", run_tool({"--verify", "-i", "other.bin", "-v"}, &status));
  EXPECT_EQ(0, status);
  // Only a --verify run reports through the status; the first mode wins.
  run_tool({"--list", "--verify", "-i", "other.bin"}, &status);
  EXPECT_EQ(0, status);
  run_tool({"--unpack", "--verify", "-i", "other.bin", "-o", "out"}, &status);
  EXPECT_EQ(0, status);
}

}  // namespace
