// A pack replaces its output only when whole, keeping what the output was
// (runs that fail and leave it are the black-box exit status case's).
#include "pack/output.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace blobsmith {
namespace {

std::string pack(const std::string& output, int* status) {
  return run_tool({"--pack", "-o", output}, status).substr(usage_box("--pack").size());
}

TEST(PackOutput, ReplacedWholeThroughLinksKeepingItsMode) {
  ScopedTempDir temp;
  write_file("res/a", "a");
  write_file("real/old.bin", "old");
  ASSERT_EQ(chmod("real/old.bin", 0640), 0);
  // A link longer than its target, to a link that names the file absolutely.
  ASSERT_EQ(symlink((std::filesystem::current_path() / "real/old.bin").c_str(), "real/abs.bin"), 0);
  ASSERT_EQ(symlink("real/abs.bin", "the-link-of-a-longer-name.bin"), 0);
  int status = -1;
  pack("the-link-of-a-longer-name.bin", &status);
  EXPECT_EQ(status, 0);
  struct stat info;
  ASSERT_EQ(lstat("the-link-of-a-longer-name.bin", &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  ASSERT_EQ(stat("real/old.bin", &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(read_file("real/old.bin").size(), 133636u);
  EXPECT_EQ(list_tree("real"),
            (std::vector<std::string>{"abs.bin", "old.bin"}));  // no temporary file
}

TEST(PackOutput, WhatCannotBeReplacedIsRefused) {
  ScopedTempDir temp;
  write_file("res/a", "a");
  ASSERT_EQ(mkdir("dir.bin", 0777), 0);
  ASSERT_EQ(mkfifo("fifo.bin", 0666), 0);
  ASSERT_EQ(symlink("loop.bin", "loop.bin"), 0);
  int status = -1;
  for (const char* output : {"dir.bin", "fifo.bin", "/dev/null"}) {
    EXPECT_EQ(pack(output, &status),
              std::string(output) + " is not a regular file, nothing written !!!\n");
  }
  EXPECT_EQ(pack("loop.bin", &status), "loop.bin open failed !!!\n");
  EXPECT_EQ(pack("", &status), "empty output file name, nothing written !!!\n");
  EXPECT_EQ(pack("missing/p.bin", &status), "missing/p.bin open failed !!!\n");
  // An output that fits a path buffer, but a temporary file beside it would not.
  const std::string deep = std::string(250, 'd') + "/" + std::string(230, 'e') + "/p.bin";
  EXPECT_EQ(pack(deep.c_str(), &status), deep + " path name is too long, nothing written !!!\n");
  EXPECT_EQ(status, 2);
  // An earlier pack in the tree is left out and replaced.
  pack("res/p.bin", &status);
  pack("res/p.bin", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(read_file("res/p.bin").size(), 133636u);
}

TEST(PackOutput, WhatThePackCannotHold) {
  ScopedTempDir temp;
  for (int i = 0; i < 2047; ++i) write_file("res/" + std::to_string(i), "");
  std::filesystem::resize_file("res/0", std::filesystem::file_size("res/0") + (int64_t{1} << 31));
  int status = -1;
  EXPECT_EQ(pack("p.bin", &status).substr(0, 43), "0 is too large for a pack file, skipped !!!");
  EXPECT_EQ(status, 1);
  run_tool({"--list", "-i", "p.bin"}, &status);
  EXPECT_EQ(status, 0);  // 2047 entries, the most a pack holds, can be read
  write_file("res/x", "");
  EXPECT_EQ(pack("p.bin", &status), "res holds more than 2047 files, nothing written !!!\n");
  EXPECT_EQ(status, 2);
}

}  // namespace
}  // namespace blobsmith
