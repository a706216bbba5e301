// A pack replaces its output only when whole, keeping what the output was.
#include "pack/output.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace blobsmith {
namespace {

std::string pack(const std::vector<std::string>& args, int* status) {
  std::vector<std::string> all = {"--pack"};
  all.insert(all.end(), args.begin(), args.end());
  const std::string printed = run_tool(all, status);
  return printed.substr(usage_box("--pack").size());
}

TEST(PackOutput, ReplacedWholeKeepingModeAndLinks) {
  ScopedTempDir temp;
  write_file("res/a", "a");
  write_file("real/old.bin", "old");
  ASSERT_EQ(chmod("real/old.bin", 0640), 0);
  ASSERT_EQ(symlink("real/old.bin", "link.bin"), 0);
  int status = -1;
  pack({"-o", "link.bin"}, &status);
  EXPECT_EQ(status, 0);
  struct stat info;
  ASSERT_EQ(lstat("link.bin", &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  ASSERT_EQ(stat("real/old.bin", &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(read_file("real/old.bin").substr(0, 4), "SFHI");
  EXPECT_EQ(list_tree("real"), std::vector<std::string>{"old.bin"});  // no temporary file left

  // A run that cannot finish leaves the earlier pack as it was.
  const std::string earlier = read_file("real/old.bin");
  EXPECT_EQ(pack({"-i", "nothing", "-o", "link.bin"}, &status),
            "nothing input directory cannot be read, nothing written !!!\n");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(read_file("real/old.bin"), earlier);
  EXPECT_EQ(list_tree("real"), std::vector<std::string>{"old.bin"});
}

TEST(PackOutput, WhatCannotBeReplacedIsRefused) {
  ScopedTempDir temp;
  write_file("res/a", "a");
  write_file("res/b", "b");
  ASSERT_EQ(mkdir("dir.bin", 0777), 0);
  ASSERT_EQ(mkfifo("fifo.bin", 0666), 0);
  ASSERT_EQ(symlink("loop.bin", "loop.bin"), 0);
  int status = -1;
  for (const char* output : {"dir.bin", "fifo.bin", "/dev/null"}) {
    EXPECT_EQ(pack({"-o", output}, &status),
              std::string(output) + " is not a regular file, nothing written !!!\n");
    EXPECT_EQ(status, 2);
  }
  EXPECT_EQ(pack({"-o", "loop.bin"}, &status), "loop.bin open failed !!!\n");
  EXPECT_EQ(pack({"-o", ""}, &status), "empty output file name, nothing written !!!\n");
  EXPECT_EQ(pack({"-o", "missing/p.bin"}, &status), "missing/p.bin open failed !!!\n");
  EXPECT_EQ(status, 2);
  // A source named as the output is never lost; an earlier pack in the tree
  // is left out and replaced.
  EXPECT_EQ(pack({"-o", "res/b"}, &status), "res/b is one of the files to pack, nothing written !!!\n");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(read_file("res/b"), "b");
  ASSERT_EQ(unlink("res/b"), 0);
  pack({"-o", "res/p.bin"}, &status);
  pack({"-o", "res/p.bin"}, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(read_file("res/p.bin").size(), 133636u);
}

}  // namespace
}  // namespace blobsmith
