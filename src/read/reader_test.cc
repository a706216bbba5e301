// The run-time reader through its C interface: the three ways to open,
// lookups, reads and hostile images.
#include "blobsmith/reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "format/pack_format.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

const std::string kPack = sound_pack_image({{"a.txt", "alpha", false},
                                            {"", "", true},
                                            {"img\\Logo.png", pattern_bytes(1025, 1), false},
                                            {"img\\logo.png", "lower", false},
                                            {"Readme", "", false}});

int64_t read_string(void* context, const uint64_t offset, void* buffer, const size_t length) {
  const std::string& image = *static_cast<const std::string*>(context);
  if (offset == 264 * 512) return -1;  // a device failing under one member
  if (offset >= image.size()) return 0;
  const size_t copied = std::min<size_t>(length, image.size() - offset);
  std::memcpy(buffer, image.data() + offset, copied);
  return static_cast<int64_t>(copied);
}

// Opens image each of the three ways.
std::vector<blobsmith_pack*> open_three_ways(const std::string& image, std::string* owner) {
  std::vector<blobsmith_pack*> packs(3, nullptr);
  EXPECT_EQ(blobsmith_open_memory(image.data(), image.size(), nullptr, &packs[0]), BLOBSMITH_OK);
  *owner = image;
  const blobsmith_io io{read_string, owner->size(), owner};
  EXPECT_EQ(blobsmith_open_io(&io, nullptr, &packs[1]), BLOBSMITH_OK);
  write_file("pack.bin", image);
  EXPECT_EQ(blobsmith_open_file("pack.bin", nullptr, &packs[2]), BLOBSMITH_OK);
  return packs;
}

TEST(Reader, LooksUpAndReadsEveryWay) {
  ScopedTempDir temp;
  std::string owner;
  for (blobsmith_pack* pack : open_three_ways(kPack, &owner)) {
    ASSERT_NE(pack, nullptr);
    EXPECT_EQ(blobsmith_entry_count(pack), 5);
    EXPECT_EQ(blobsmith_find(pack, "A.TXT"), 0);
    EXPECT_EQ(blobsmith_find(pack, "img/logo.png"), 3);  // the exact name wins
    EXPECT_EQ(blobsmith_find(pack, "IMG/LOGO.PNG"), 2);  // else the first in the table
    EXPECT_EQ(blobsmith_find(pack, "img\\Logo.png"), 2);
    EXPECT_EQ(blobsmith_find(pack, "readme"), 4);
    EXPECT_EQ(blobsmith_find(pack, ""), BLOBSMITH_ERROR_NOT_FOUND);  // zeroed entries are no one
    EXPECT_EQ(blobsmith_find(pack, "img"), BLOBSMITH_ERROR_NOT_FOUND);
    EXPECT_EQ(blobsmith_find(pack, std::string(60, 'a').c_str()), BLOBSMITH_ERROR_NOT_FOUND);
    char buffer[2048];
    EXPECT_EQ(blobsmith_read(pack, 0, 1, buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "lph");
    EXPECT_EQ(blobsmith_read(pack, 0, 3, buffer, 100), 2);
    EXPECT_EQ(blobsmith_read(pack, 0, 5, buffer, 100), 0);
    EXPECT_EQ(blobsmith_read(pack, 0, 6, buffer, 1), BLOBSMITH_ERROR_RANGE);
    EXPECT_EQ(blobsmith_read(pack, 5, 0, buffer, 1), BLOBSMITH_ERROR_INDEX);
    EXPECT_EQ(blobsmith_read(pack, -1, 0, buffer, 1), BLOBSMITH_ERROR_INDEX);
    EXPECT_EQ(blobsmith_read_member(pack, 2, buffer, 1024), BLOBSMITH_ERROR_BUFFER);
    EXPECT_EQ(blobsmith_read_member(pack, 2, buffer, sizeof buffer), 1025);
    EXPECT_EQ(std::string(buffer, 1025), pattern_bytes(1025, 1));
    blobsmith_member member;
    EXPECT_EQ(blobsmith_member_at(pack, 2, &member), BLOBSMITH_OK);
    EXPECT_STREQ(member.name, "img\\Logo.png");
    EXPECT_EQ(member.size, 1025u);
    EXPECT_EQ(member.offset, 261u * 512);
    EXPECT_EQ(blobsmith_member_at(pack, 1, &member), BLOBSMITH_OK);
    EXPECT_STREQ(member.name, "");
    blobsmith_pack_info info;
    EXPECT_EQ(blobsmith_pack_info_of(pack, &info), BLOBSMITH_OK);
    EXPECT_STREQ(info.machine, "q5");
    EXPECT_STREQ(info.date, "20260102");
    EXPECT_STREQ(info.time, "0304");
  }
  std::vector<blobsmith_pack*> packs = open_three_ways(kPack, &owner);
  const void* data = nullptr;
  size_t size = 0;
  EXPECT_EQ(blobsmith_member_data(packs[0], 3, &data, &size), BLOBSMITH_OK);
  EXPECT_EQ(std::string(static_cast<const char*>(data), size), "lower");
  EXPECT_EQ(static_cast<const char*>(data), kPack.data() + 264 * 512);  // no copy
  EXPECT_EQ(blobsmith_member_data(packs[2], 3, &data, &size), BLOBSMITH_ERROR_NOT_IN_MEMORY);
  char buffer[8];
  EXPECT_EQ(blobsmith_read(packs[1], 3, 0, buffer, 5), BLOBSMITH_ERROR_READ);
  for (blobsmith_pack* pack : packs) blobsmith_close(pack);
}

TEST(Reader, CallerStorageAndAllocator) {
  EXPECT_EQ(blobsmith_storage_size(0), 0u);
  EXPECT_EQ(blobsmith_storage_size(5), BLOBSMITH_STORAGE_SIZE(5));
  int32_t count = 0;
  EXPECT_EQ(blobsmith_entry_count_of(kPack.data(), 512, &count), BLOBSMITH_OK);
  EXPECT_EQ(count, 5);
  std::vector<unsigned char> memory(BLOBSMITH_STORAGE_SIZE(5) + 1);
  blobsmith_storage storage{memory.data() + 1, BLOBSMITH_STORAGE_SIZE(5) - 1, nullptr};
  blobsmith_pack* pack = nullptr;
  EXPECT_EQ(blobsmith_open_memory(kPack.data(), kPack.size(), &storage, &pack),
            BLOBSMITH_ERROR_STORAGE);
  storage.size += 1;  // exactly enough, at an odd address
  ASSERT_EQ(blobsmith_open_memory(kPack.data(), kPack.size(), &storage, &pack), BLOBSMITH_OK);
  EXPECT_EQ(blobsmith_find(pack, "readme"), 4);
  blobsmith_close(pack);

  struct Counts {
    int allocated, released;
  } counts{0, 0};
  const blobsmith_allocator allocator{
      [](void* c, size_t size) -> void* { return ++static_cast<Counts*>(c)->allocated, malloc(size); },
      [](void* c, void* block) { ++static_cast<Counts*>(c)->released, free(block); }, &counts};
  const blobsmith_storage allocated{nullptr, 0, &allocator};
  ASSERT_EQ(blobsmith_open_memory(kPack.data(), kPack.size(), &allocated, &pack), BLOBSMITH_OK);
  blobsmith_close(pack);
  EXPECT_EQ(counts.allocated, 1);
  EXPECT_EQ(counts.released, 1);
}

TEST(Reader, WhatCannotBeOpened) {
  auto opened = [](const std::string& image) {
    blobsmith_pack* pack = nullptr;
    const int status = blobsmith_open_memory(image.data(), image.size(), nullptr, &pack);
    blobsmith_close(pack);
    return status;
  };
  EXPECT_EQ(opened(kPack.substr(0, 511)), BLOBSMITH_ERROR_TRUNCATED);
  EXPECT_EQ(opened(std::string(512, 'x')), BLOBSMITH_ERROR_NOT_A_PACK);
  EXPECT_EQ(opened(pack_image(0, {}, "")), BLOBSMITH_ERROR_ENTRY_COUNT);
  EXPECT_EQ(opened(pack_image(2048, {}, "")), BLOBSMITH_ERROR_ENTRY_COUNT);
  EXPECT_EQ(opened(pack_image(3, {}, "").substr(0, 2048 + 3 * 64 - 1)), BLOBSMITH_ERROR_TRUNCATED);
  EXPECT_EQ(blobsmith_open_file("no such file", nullptr, nullptr), BLOBSMITH_ERROR_ARGUMENT);
  blobsmith_pack* pack = nullptr;
  EXPECT_EQ(blobsmith_open_file("/", nullptr, &pack), BLOBSMITH_ERROR_OPEN);
  {
    ScopedTempDir temp;
    write_file("junk.bin", std::string(600, 'j'));
    EXPECT_EQ(blobsmith_open_file("junk.bin", nullptr, &pack), BLOBSMITH_ERROR_NOT_A_PACK);
  }

  // What an open pack's entries may hold is the fuzz target's to check,
  // its corpus holding entries past the end, unterminated and out of order.
  EXPECT_STREQ(blobsmith_status_text(BLOBSMITH_ERROR_DAMAGED),
               "the entry's name or bytes lie outside the pack");
  EXPECT_STREQ(blobsmith_status_text(7), "unknown status");
}

}  // namespace
}  // namespace blobsmith
