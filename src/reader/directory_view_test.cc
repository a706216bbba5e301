// The directory view and the two lookups through the C interface, on one
// pack whose table is out of order and holds directories differing only in
// case, a file that is also a directory, a name twice, names that are not
// canonical and a zeroed entry; opened from memory, callbacks and a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "blobsmith/reader.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

// clang-format off
const std::string kPack = sound_pack_image({
    {"img\\b.png", "B", false}, {"Img\\a.png", "A", false}, {"a.txt", "t", false},
    {"a\\x", "x", false}, {"img\\A.png", "", false}, {"file", "f", false},
    {"file\\below", "no", false}, {"dup", "1", false}, {"dup", "2", false},
    {"x/y", "s", false}, {"", "", true}, {"a\\\\z", "e", false}});
// clang-format on

// Every entry below directory, depth first: "name index" for a file,
// "name/" for a directory.
void list_below(const blobsmith_pack* pack, const std::string& directory, std::string* out) {
  blobsmith_dir dir;
  ASSERT_EQ(blobsmith_dir_begin(pack, directory.c_str(), &dir), BLOBSMITH_OK) << directory;
  blobsmith_dir_entry entry;
  int given = 0;
  while ((given = blobsmith_dir_next(&dir, &entry)) == 1) {
    const std::string path = directory.empty() ? entry.name : directory + "/" + entry.name;
    if (entry.kind == BLOBSMITH_FILE) {
      *out += path + " " + std::to_string(entry.index) + "\n";
    } else {
      *out += path + "/\n";
      EXPECT_EQ(entry.index, -1);
      list_below(pack, path, out);
    }
  }
  EXPECT_EQ(given, 0);
  EXPECT_EQ(blobsmith_dir_next(&dir, &entry), 0);  // and again after the end
}

class DirectoryView : public ::testing::Test {
 protected:
  void SetUp() override {
    write_file("pack.bin", kPack);
    ASSERT_EQ(blobsmith_open_memory(kPack.data(), kPack.size(), nullptr, &packs_[0]), BLOBSMITH_OK);
    ASSERT_EQ(blobsmith_open_io(&io_, nullptr, &packs_[1]), BLOBSMITH_OK);
    ASSERT_EQ(blobsmith_open_file("pack.bin", nullptr, &packs_[2]), BLOBSMITH_OK);
  }
  void TearDown() override {
    for (blobsmith_pack* pack : packs_) blobsmith_close(pack);
  }
  ScopedTempDir temp_;
  const blobsmith_io io_{read_image, kPack.size(), const_cast<std::string*>(&kPack)};
  blobsmith_pack* packs_[3] = {};
};

TEST_F(DirectoryView, ListsEachEntryOnceInThePackersOrder) {
  for (const blobsmith_pack* pack : packs_) {
    std::string listing;
    list_below(pack, "", &listing);
    // "a.txt" before the directory "a" ("." before "/"); "Img" and "img"
    // apart; "file" a file, so "file\\below" nowhere; "dup" once, the
    // first; "x/y" and "a\\\\z" not canonical.
    EXPECT_EQ(listing,
              "a.txt 2\n"
              "a/\n"
              "a/x 3\n"
              "dup 7\n"
              "file 5\n"
              "Img/\n"
              "Img/a.png 1\n"
              "img/\n"
              "img/A.png 4\n"
              "img/b.png 0\n");
  }
}

TEST_F(DirectoryView, StatAndLookups) {
  struct Case {
    const char* name;
    int kind;        // what blobsmith_stat says
    int32_t file;    // and the index it gives (-1 for a directory)
    int32_t exact;   // blobsmith_find_exact
    int32_t folded;  // blobsmith_find
  };
  const int32_t none = BLOBSMITH_ERROR_NOT_FOUND;
  const Case cases[] = {
      {"", BLOBSMITH_DIRECTORY, -1, none, none},
      {"a", BLOBSMITH_DIRECTORY, -1, none, none},
      {"a.txt", BLOBSMITH_FILE, 2, 2, 2},
      {"A.TXT", none, 0, none, 2},
      {"img/A.png", BLOBSMITH_FILE, 4, 4, 4},
      {"img\\a.png", none, 0, none, 1},  // folds like "Img\\a.png", first in the table
      {"IMG/B.PNG", none, 0, none, 0},
      {"Img", BLOBSMITH_DIRECTORY, -1, none, none},
      {"file", BLOBSMITH_FILE, 5, 5, 5},
      {"file/below", none, 0, 6, 6},  // below a file: found, but not in the view
      {"dup", BLOBSMITH_FILE, 7, 7, 7},
      {"x/y", none, 0, 9, 9},  // not canonical
      {"x\\y", none, 0, 9, 9},
      {"x", none, 0, none, none},
      {"a//z", none, 0, 11, 11},
      {"img/", none, 0, none, none},
      {"/img/b.png", none, 0, none, none},
      {"./a.txt", none, 0, none, none},
      {"nothing", none, 0, none, none},
  };
  for (const blobsmith_pack* pack : packs_) {
    for (const Case& c : cases) {
      int32_t index = -99;
      EXPECT_EQ(blobsmith_stat(pack, c.name, &index), c.kind) << c.name;
      EXPECT_EQ(index, c.kind == BLOBSMITH_FILE ? c.file : c.kind < 0 ? -99 : -1) << c.name;
      EXPECT_EQ(blobsmith_stat(pack, c.name, nullptr), c.kind) << c.name;
      EXPECT_EQ(blobsmith_find_exact(pack, c.name), c.exact) << c.name;
      EXPECT_EQ(blobsmith_find(pack, c.name), c.folded) << c.name;
      blobsmith_dir dir;
      EXPECT_EQ(blobsmith_dir_begin(pack, c.name, &dir),
                c.kind == BLOBSMITH_DIRECTORY ? BLOBSMITH_OK : BLOBSMITH_ERROR_NOT_FOUND)
          << c.name;
    }
  }
}

TEST_F(DirectoryView, CursorsAreTheCallersOwn) {
  blobsmith_dir dir;
  ASSERT_EQ(blobsmith_dir_begin(packs_[0], "img", &dir), BLOBSMITH_OK);
  blobsmith_dir_entry entry;
  ASSERT_EQ(blobsmith_dir_next(&dir, &entry), 1);
  blobsmith_dir copy = dir;  // goes on from the same place
  ASSERT_EQ(blobsmith_dir_next(&copy, &entry), 1);
  EXPECT_STREQ(entry.name, "b.png");
  ASSERT_EQ(blobsmith_dir_next(&dir, &entry), 1);
  EXPECT_STREQ(entry.name, "b.png");
  blobsmith_dir never_begun{};
  EXPECT_EQ(blobsmith_dir_next(&never_begun, &entry), BLOBSMITH_ERROR_ARGUMENT);
  // A cursor written over is refused, not followed.
  dir.opaque[1] ^= 0x7fff;
  EXPECT_EQ(blobsmith_dir_next(&dir, &entry), BLOBSMITH_ERROR_ARGUMENT);
  EXPECT_EQ(sizeof(blobsmith_dir), 64u);
}

}  // namespace
}  // namespace blobsmith
