// Tests of the pack reader over images built in memory.
#include "read/pack_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "read/pack_image_testing.h"
#include "support/test_support.h"

namespace {

// Members in the packer's order: "_" before letters, "/" (stored "\\")
// after "." and before digits, letters folded.
std::vector<TestMember> sample_members() {
  return {
      {"_x.txt", "underscore", false},
      {"a.txt", "", false},  // empty: no block, start of what follows
      {"a\\x.txt", std::string(1024, 'x'), false},
      zeroed_member(),
      {"a0.txt", "zero", false},
      {"B.txt", std::string(513, 'b'), false},
      {"img\\Logo.png", "logo bytes", false},
  };
}

class PackReaderTest : public ::testing::Test {
 protected:
  void TearDown() override { pack_reader_close(&reader_); }

  int32_t open_image(const std::string& image) {
    write_file("res.bin", image);
    return pack_reader_open("res.bin", &reader_);
  }

  std::string read_member(const int32_t index) {
    std::string bytes(static_cast<size_t>(pack_member_size(reader_, index)), '\0');
    const int32_t got = pack_reader_read_member(&reader_, index, &bytes[0],
                                                static_cast<int32_t>(bytes.size()));
    EXPECT_EQ(static_cast<int32_t>(bytes.size()), got);
    return bytes;
  }

  ScopedTempDir temp_;
  PackReader reader_{};
};

TEST_F(PackReaderTest, OpensAndFindsEveryMemberByEitherSeparatorAndAnyCase) {
  const std::vector<TestMember> members = sample_members();
  ASSERT_EQ(PACK_READ_OK, open_image(build_sound_pack_image(members)));
  EXPECT_EQ(7, reader_.entry_count);
  EXPECT_EQ(6, reader_.named_count);  // the zeroed entry is not indexed
  EXPECT_EQ(int64_t{PACK_DATA_OFFSET + 7 * PACK_BLOCK_SIZE + 4}, reader_.file_size);

  for (size_t i = 0; i < members.size(); ++i) {
    if (members[i].zeroed) continue;
    const int32_t index = pack_reader_find(reader_, members[i].name.c_str());
    ASSERT_EQ(static_cast<int32_t>(i), index) << members[i].name;
    EXPECT_EQ(members[i].bytes, read_member(index)) << members[i].name;
  }
  EXPECT_EQ(2, pack_reader_find(reader_, "a/x.txt"));
  EXPECT_EQ(2, pack_reader_find(reader_, "A\\X.TXT"));
  EXPECT_EQ(6, pack_reader_find(reader_, "IMG/logo.PNG"));
  EXPECT_EQ(5, pack_reader_find(reader_, "b.txt"));
}

TEST_F(PackReaderTest, MissingNamesAreNotFound) {
  ASSERT_EQ(PACK_READ_OK, open_image(build_sound_pack_image(sample_members())));
  for (const char* name : {"", "a", "a\\", "a.tx", "a.txt.", "img", "img\\logo.pn", "zzz",
                           "\\a.txt", "a\\x.txt\\"}) {
    EXPECT_EQ(PACK_READ_NOT_FOUND, pack_reader_find(reader_, name)) << name;
  }
}

TEST_F(PackReaderTest, LongestNamesAndLongerQueries) {
  const std::string longest = "d\\" + std::string(53, 'n');  // 55 characters
  ASSERT_EQ(PACK_READ_OK, open_image(build_sound_pack_image({{"a", "a", false},
                                                             {longest, "long", false}})));
  EXPECT_EQ(1, pack_reader_find(reader_, ("D/" + std::string(53, 'N')).c_str()));
  EXPECT_EQ(PACK_READ_NOT_FOUND, pack_reader_find(reader_, (longest + "n").c_str()));
  EXPECT_EQ(PACK_READ_NOT_FOUND, pack_reader_find(reader_, std::string(300, 'a').c_str()));
}

TEST_F(PackReaderTest, CaseVariantsPreferTheExactName) {
  // Packed on a file system that keeps both: they compare equal, and their
  // relative order is whatever the sort left.
  ASSERT_EQ(PACK_READ_OK, open_image(build_sound_pack_image({
                              {"Read.me", "upper", false},
                              {"read.me", "lower", false},
                              {"README", "other", false},
                          })));
  EXPECT_EQ(0, pack_reader_find(reader_, "Read.me"));
  EXPECT_EQ(1, pack_reader_find(reader_, "read.me"));
  EXPECT_EQ(0, pack_reader_find(reader_, "READ.ME"));  // no exact match: first
  EXPECT_EQ(2, pack_reader_find(reader_, "readme"));
}

TEST_F(PackReaderTest, TableOutOfOrderIsIndexedAnyway) {
  ASSERT_EQ(PACK_READ_OK, open_image(build_sound_pack_image({
                              {"z.txt", "z", false},
                              {"m.txt", "m", false},
                              {"a.txt", "a", false},
                          })));
  EXPECT_EQ(0, pack_reader_find(reader_, "z.txt"));
  EXPECT_EQ(1, pack_reader_find(reader_, "m.txt"));
  EXPECT_EQ(2, pack_reader_find(reader_, "a.txt"));
}

TEST_F(PackReaderTest, LargeTableFindsEveryName) {
  std::vector<TestMember> members;
  char name[32];
  for (int i = 0; i < PACK_MAX_USABLE_ENTRIES; ++i) {
    std::snprintf(name, sizeof name, "d%02d\\f%04d.bin", i / 100, i);
    members.push_back({name, std::string(1, static_cast<char>(i)), false});
  }
  ASSERT_EQ(PACK_READ_OK, open_image(build_sound_pack_image(members)));
  for (int i = 0; i < PACK_MAX_USABLE_ENTRIES; ++i) {
    std::snprintf(name, sizeof name, "d%02d/f%04d.bin", i / 100, i);
    ASSERT_EQ(i, pack_reader_find(reader_, name));
  }
}

TEST_F(PackReaderTest, ReadsRanges) {
  std::string bytes;
  for (int i = 0; i < 1300; ++i) bytes += static_cast<char>('a' + i % 26);
  ASSERT_EQ(PACK_READ_OK, open_image(build_sound_pack_image({{"a", "first", false},
                                                       {"b", bytes, false},
                                                       {"c", "last", false}})));
  char buffer[2000];
  EXPECT_EQ(10, pack_reader_read(&reader_, 1, 510, buffer, 10));
  EXPECT_EQ(bytes.substr(510, 10), std::string(buffer, 10));
  // Clipped at the member's end, never running into the next member.
  EXPECT_EQ(100, pack_reader_read(&reader_, 1, 1200, buffer, 500));
  EXPECT_EQ(bytes.substr(1200), std::string(buffer, 100));
  EXPECT_EQ(0, pack_reader_read(&reader_, 1, 1300, buffer, 5));
  EXPECT_EQ(PACK_READ_BAD_RANGE, pack_reader_read(&reader_, 1, 1301, buffer, 1));
  EXPECT_EQ(PACK_READ_BAD_RANGE, pack_reader_read(&reader_, 1, -1, buffer, 1));
  EXPECT_EQ(PACK_READ_BAD_RANGE, pack_reader_read(&reader_, 1, 0, buffer, -1));
  EXPECT_EQ(PACK_READ_BAD_RANGE, pack_reader_read(&reader_, 3, 0, buffer, 1));
  EXPECT_EQ(PACK_READ_BAD_RANGE, pack_reader_read(&reader_, -1, 0, buffer, 1));
  EXPECT_EQ(4, pack_reader_read(&reader_, 2, 0, buffer, 100));
  EXPECT_EQ("last", std::string(buffer, 4));
  EXPECT_EQ(PACK_READ_SMALL_BUFFER, pack_reader_read_member(&reader_, 1, buffer, 1299));
  EXPECT_EQ(1300, pack_reader_read_member(&reader_, 1, buffer, 1300));
  EXPECT_EQ(bytes, std::string(buffer, 1300));
}

TEST_F(PackReaderTest, EntriesPointingOutsideTheDataAreaAreRefused) {
  std::string image = build_sound_pack_image({{"a", "aaaa", false}, {"b", "bbbb", false},
                                        {"c", "", false}, {"d", "dddd", false}});
  poke_u32(&image, pack_image_entry_offset(0) + ENTRY_START_BLOCK_AT, 0);       // into the header
  poke_u32(&image, pack_image_entry_offset(1) + ENTRY_START_BLOCK_AT, 263);      // onto the checksum
  poke_u32(&image, pack_image_entry_offset(2) + ENTRY_START_BLOCK_AT, 0x400000); // far beyond
  poke_u32(&image, pack_image_entry_offset(3) + ENTRY_BYTE_SIZE_AT, 0x80000000u);  // negative size
  ASSERT_EQ(PACK_READ_OK, open_image(image));
  char buffer[16];
  EXPECT_EQ(PACK_READ_BAD_MEMBER, pack_reader_read(&reader_, 0, 0, buffer, 4));
  EXPECT_EQ(PACK_READ_BAD_MEMBER, pack_reader_read(&reader_, 1, 0, buffer, 4));
  EXPECT_EQ(0, pack_reader_read(&reader_, 2, 0, buffer, 4));  // empty: nothing to read
  EXPECT_EQ(0, pack_member_size(reader_, 3));
  EXPECT_EQ(0, pack_reader_read_member(&reader_, 3, buffer, 0));
}

TEST_F(PackReaderTest, OpenRefusesWhatItCannotUse) {
  const std::string good = build_sound_pack_image({{"a", "aaaa", false}, {"b", "bbbb", false}});
  EXPECT_EQ(PACK_READ_OPEN_FAILED, pack_reader_open("missing.bin", &reader_));
  EXPECT_EQ(nullptr, reader_.file);
  EXPECT_EQ(PACK_READ_OPEN_FAILED, pack_reader_open(".", &reader_));

  struct Case {
    const char* why;
    std::string image;
    int32_t status;
  };
  std::vector<Case> cases;
  cases.push_back({"empty file", "", PACK_READ_SHORT_HEADER});
  cases.push_back({"header cut at 511 bytes", good.substr(0, 511), PACK_READ_SHORT_HEADER});
  std::string magic = good;
  magic[3] = 'X';
  cases.push_back({"wrong magic", magic, PACK_READ_NOT_A_PACK});
  std::string tail = good;
  poke_u32(&tail, HEADER_TAIL_SIGNATURE_AT, 0x55AA55AB);
  cases.push_back({"wrong tail signature", tail, PACK_READ_NOT_A_PACK});
  for (const uint32_t count : {0u, 2048u, 0xFFFFFFFFu}) {
    std::string bad = good;
    poke_u32(&bad, HEADER_ENTRY_COUNT_AT, count);
    cases.push_back({"entry count out of range", bad, PACK_READ_BAD_COUNT});
  }
  cases.push_back({"table cut inside entry 1", good.substr(0, pack_image_entry_offset(1) + 63),
                   PACK_READ_SHORT_TABLE});
  cases.push_back({"table cut after entry 1", good.substr(0, pack_image_entry_offset(2)), PACK_READ_OK});
  for (const Case& c : cases) {
    EXPECT_EQ(c.status, open_image(c.image)) << c.why;
    EXPECT_EQ(c.status == PACK_READ_OK, reader_.file != nullptr) << c.why;
    pack_reader_close(&reader_);
  }
}

TEST_F(PackReaderTest, UnterminatedNamesAreNotIndexed) {
  std::string image = build_sound_pack_image({{"a", "a", false}, {"b", "b", false}});
  image.replace(pack_image_entry_offset(1), PACK_NAME_FIELD_SIZE, std::string(PACK_NAME_FIELD_SIZE, 'b'));
  ASSERT_EQ(PACK_READ_OK, open_image(image));
  EXPECT_EQ(1, reader_.named_count);
  EXPECT_EQ(PACK_READ_NOT_FOUND, pack_reader_find(reader_, std::string(55, 'b').c_str()));
  EXPECT_EQ(0, pack_reader_find(reader_, "a"));
}

TEST_F(PackReaderTest, TruncatedDataIsReportedNotInvented) {
  const std::string image = build_sound_pack_image({{"a", std::string(600, 'a'), false}});
  // Data area cut inside the member's second block.
  ASSERT_EQ(PACK_READ_OK, open_image(image.substr(0, PACK_DATA_OFFSET + 550)));
  char buffer[600];
  EXPECT_EQ(PACK_READ_BAD_MEMBER, pack_reader_read(&reader_, 0, 0, buffer, 600));
}

}  // namespace
