// An output directory that already holds links, a FIFO or a directory where
// members go: the extractor writes nothing through a link or into a FIFO,
// never blocks, and prints one line for each member it refuses.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/io.h"
#include "reliability/tree_snapshot.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

TEST(ExistingOutputTree, LinksFifosAndDirectoriesAreNotWrittenThrough) {
  ScopedTempDir dir;
  write_file("target.txt", "the link's target\n");
  fs::create_directory("elsewhere");
  fs::create_directory("out");
  fs::create_symlink("../target.txt", "out/linked.txt");
  fs::create_symlink("../elsewhere", "out/sub");
  fs::create_symlink("../nowhere.txt", "out/dangling.txt");
  ASSERT_EQ(mkfifo("out/fifo.txt", 0600), 0);
  fs::create_directory("out/isdir.txt");
  const std::string data = pattern_bytes(3 * PACK_BLOCK_SIZE, 3);
  const std::vector<PackImageEntry> entries = {
      {"dangling.txt", 260, 100}, {"fifo.txt", 260, 100}, {"isdir.txt", 260, 100},
      {"linked.txt", 260, 100},   {"plain.txt", 261, 700}, {"sub\\inner.txt", 260, 100},
  };
  write_file("res.bin", build_pack_image(6, entries, data));
  const auto outside = snapshot_tree(".", "out");

  alarm(60);  // a FIFO opened for writing would block here
  const std::string output = run_tool({"--unpack", "-o", "out"});
  alarm(0);

  EXPECT_EQ(output, unpack_usage_text() +
                        "out/dangling.txt is a link or special file, skipped !!!\n"
                        "out/fifo.txt is a link or special file, skipped !!!\n"
                        "isdir.txt open failed !!!\n"
                        "out/linked.txt is a link or special file, skipped !!!\n"
                        "out/sub is a link or special file, skipped !!!\n");
  EXPECT_EQ(snapshot_tree(".", "out"), outside);
  EXPECT_EQ(read_file("target.txt"), "the link's target\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status("nowhere.txt")));
  EXPECT_TRUE(fs::is_empty("elsewhere"));
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status("out/fifo.txt")));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status("out/dangling.txt")));
  EXPECT_TRUE(fs::is_directory(fs::symlink_status("out/isdir.txt")));
  EXPECT_TRUE(fs::is_empty("out/isdir.txt"));
  EXPECT_EQ(read_file("out/plain.txt"), data.substr(512, 700));
}

TEST(ExistingOutputTree, MemberCreationRefusesLinksAndFifosItself) {
  // Even if something appears at the path after it was examined, opening the
  // member neither follows a link nor waits on a FIFO.
  ScopedTempDir dir;
  write_file("target.txt", "kept\n");
  fs::create_symlink("target.txt", "link");
  fs::create_symlink("missing.txt", "dangling");
  ASSERT_EQ(mkfifo("fifo", 0600), 0);
  alarm(60);
  for (const char* path : {"link", "dangling", "fifo"}) {
    SCOPED_TRACE(path);
    IoFile* file = io_create_member(path);
    EXPECT_EQ(file, nullptr);
    if (file != nullptr) io_close(file);
  }
  // A FIFO is not a pack file either: opening one to read does not wait.
  EXPECT_EQ(io_open("fifo", "rb"), nullptr);
  alarm(0);
  EXPECT_EQ(read_file("target.txt"), "kept\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status("missing.txt")));
}

TEST(ExistingOutputTree, ExistingFilesAreOverwrittenInPlace) {
  ScopedTempDir dir;
  write_file("out/a.txt", std::string(5000, 'o'));
  write_file("res.bin", build_pack_image(1, {{"a.txt", 260, 10}}, pattern_bytes(512, 9)));
  EXPECT_EQ(run_tool({"--unpack", "-o", "out"}), unpack_usage_text());
  EXPECT_EQ(read_file("out/a.txt"), pattern_bytes(512, 9).substr(0, 10));
}
