// Attacks on the tool and bad luck around it: output trees that lead
// elsewhere, a level swapped for a link while a pack is extracted, trees of
// links that multiply paths, a link to the pack being written, a source cut
// short while it is packed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "format/pack_format.h"
#include "support/fault_io.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

std::string lines_of(const std::vector<std::string>& args, int* status) {
  fault_reset();
  const std::string printed = run_tool(args, status);
  return printed.substr(usage_box(args[0]).size());
}

TEST(Attack, OutputTreeThatLeadsElsewhere) {
  ScopedTempDir temp;
  write_file("outside/file", "outside");
  write_file("outside/hard", "shared");
  ASSERT_EQ(mkdir("out", 0777), 0);
  ASSERT_EQ(symlink("../outside", "out/level"), 0);
  ASSERT_EQ(symlink("../outside/file", "out/leaf"), 0);
  ASSERT_EQ(mkfifo("out/fifo", 0666), 0);
  ASSERT_EQ(link("outside/hard", "out/hard"), 0);
  ASSERT_EQ(mkdir("out/dir", 0777), 0);
  write_file("out/old", std::string(5000, 'o'));
  write_file("out/res.bin", pack_image(7,
                                       {{"level\\f", 260, 1}, {"leaf", 260, 1}, {"fifo", 260, 1},
                                        {"hard", 260, 3}, {"dir", 260, 1}, {"old", 260, 2},
                                        {"res.bin", 260, 1}},
                                       "new"));
  const std::string pack = read_file("out/res.bin");
  int status = -1;
  EXPECT_EQ(lines_of({"--unpack", "-i", "out/res.bin", "-o", "out"}, &status),
            "out/level is a link or special file, skipped !!!\n"
            "out/leaf is a link or special file, skipped !!!\n"
            "out/fifo is a link or special file, skipped !!!\n"
            "dir open failed !!!\n"
            "res.bin is the pack being read, skipped !!!\n");
  EXPECT_EQ(status, 1);
  EXPECT_EQ(read_file("outside/file"), "outside");
  EXPECT_EQ(read_file("outside/hard"), "shared");  // its other name got a file of its own
  EXPECT_EQ(read_file("out/hard"), "new");
  EXPECT_EQ(read_file("out/old"), "ne");
  EXPECT_TRUE(read_file("out/res.bin") == pack);
  EXPECT_EQ(list_tree("outside"), (std::vector<std::string>{"file", "hard"}));
}

TEST(Attack, LevelSwappedForALinkBetweenMembers) {
  ScopedTempDir temp;
  write_file("res.bin", pack_image(3, {{"d\\a", 260, 2}, {"d\\b", 260, 3}, {"d\\e\\c", 260, 1}},
                                   "abc"));
  ASSERT_EQ(mkdir("outside", 0777), 0);
  // Once d\a is written, d is moved away and a link to outside put there.
  fault_reset();
  fault_hook(FAULT_OUT_CREATE, 2, [] {
    ASSERT_EQ(rename("out/d", "out/moved"), 0);
    ASSERT_EQ(symlink("../outside", "out/d"), 0);
  });
  int status = -1;
  run_tool({"--unpack", "-o", "out"}, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(list_tree("outside"), std::vector<std::string>{});
  EXPECT_EQ(list_tree("out"), (std::vector<std::string>{"d", "moved", "moved/a", "moved/b",
                                                        "moved/e", "moved/e/c"}));
  // The level d was entered once for all three members.
  EXPECT_EQ(fault_count(FAULT_OUT_LEVEL), 2);
}

TEST(Attack, LinksThatMultiplyPathsAreWalkedOnce) {
  ScopedTempDir temp;
  // 40 directories, each holding two links to the next: 2^40 paths.
  for (int i = 0; i < 40; ++i) {
    const std::string dir = "res/d" + std::to_string(i);
    ASSERT_EQ(system(("mkdir -p " + dir).c_str()), 0);
    const std::string next = "../d" + std::to_string(i + 1);
    ASSERT_EQ(symlink(next.c_str(), (dir + "/x").c_str()), 0);
    ASSERT_EQ(symlink(next.c_str(), (dir + "/y").c_str()), 0);
  }
  write_file("res/a/f", "f");
  int status = -1;
  lines_of({"--pack", "-o", "p.bin"}, &status);
  // Each of the 42 directories is walked once and opened at most twice (once
  // more by its own name after a link led there first).
  EXPECT_LE(fault_count(FAULT_DIR_OPEN), 2 * 42);
  EXPECT_EQ(status, 1);
}

TEST(Attack, ThePackIsNeverPackedIntoItself) {
  ScopedTempDir temp;
  write_file("res/a", "a");
  ASSERT_EQ(symlink("../out.bin", "res/zz_self.bin"), 0);
  int status = -1;
  EXPECT_EQ(lines_of({"--pack", "-o", "out.bin"}, &status).substr(0, 27),
            "zz_self.bin open failed !!!");
  EXPECT_EQ(status, 1);
  EXPECT_EQ(read_file("out.bin").size(), 133636u);
  // Now the link names the earlier pack, which is left out.
  EXPECT_EQ(lines_of({"--pack", "-o", "out.bin"}, &status).substr(0, 4), "crc=");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(read_file("out.bin").size(), 133636u);
}

TEST(Attack, ASourceCutShortWhilePackedIsReportedOnce) {
  ScopedTempDir temp;
  const std::string bytes = pattern_bytes(50 * 512 + 7, 4);
  write_file("res/big", bytes);
  fault_reset();
  // Cut to 1000 bytes once it is open and measured (the first status taken
  // is the new pack's own).
  fault_hook(FAULT_STATUS, 2, [] { ASSERT_EQ(truncate("res/big", 1000), 0); });
  int status = -1;
  const std::string printed = run_tool({"--pack", "-o", "p.bin"}, &status);
  EXPECT_EQ(printed.substr(usage_box("--pack").size(), 20), "big read failed !!!\n");
  EXPECT_EQ(status, 1);
  const std::string image = read_file("p.bin");
  ASSERT_EQ(image.size(), PACK_DATA_OFFSET + 51u * 512 + 4);
  EXPECT_TRUE(image.substr(PACK_DATA_OFFSET, 51 * 512) ==
              bytes.substr(0, 1000) + std::string(51 * 512 - 1000, '\0'));
}

}  // namespace
}  // namespace blobsmith
