// Real failures of the disk rather than injected ones: a device that is
// always full, a file-size limit, a source too large for the format.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> lines_after(const std::string& output, const std::string& usage) {
  std::vector<std::string> lines;
  EXPECT_EQ(output.compare(0, usage.size(), usage), 0) << output;
  std::istringstream rest(output.substr(std::min(usage.size(), output.size())));
  for (std::string line; std::getline(rest, line);) lines.push_back(line);
  return lines;
}

// Runs a command line in a child process whose files may not grow beyond
// limit bytes, and returns what it printed.
std::string run_with_file_size_limit(const std::vector<std::string>& args, const rlim_t limit) {
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    FILE* sink = std::freopen("child-output.txt", "w", stdout);
    if (sink == nullptr) _exit(2);
    const rlimit bound{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &bound) != 0) _exit(3);
    std::vector<std::string> storage{"blobsmith"};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : storage) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int status = run_command_line(argv.data());
    std::fflush(stdout);
    _exit(status);
  }
  int status = -1;
  EXPECT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status)) << "the run was ended by a signal";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const std::string output = read_file("child-output.txt");
  fs::remove("child-output.txt");
  return output;
}

}  // namespace

TEST(FullDisk, PackingToAFullDeviceReportsEveryFailedWrite) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  ScopedTempDir dir;
  write_file("res/a.bin", pattern_bytes(300000, 1));
  write_file("res/b.bin", pattern_bytes(10, 2));
  int status = -1;
  const std::string output = run_tool({"--pack", "-o", "/dev/full"}, &status);
  EXPECT_EQ(status, 0);
  const std::vector<std::string> lines = lines_after(output, pack_usage_text());
  // The stream buffer fills and fails again and again: the layout, the data
  // of both sources and the final flush each report, then the checksum pass
  // finds no file it can reopen.
  const std::set<std::string> allowed = {"/dev/full write failed !!!", "res/a.bin write failed !!!",
                                         "res/b.bin write failed !!!", "add crc open file error."};
  for (const std::string& line : lines) EXPECT_TRUE(allowed.count(line) == 1) << line;
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "/dev/full write failed !!!");
  EXPECT_EQ(lines.back(), "add crc open file error.");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "res/a.bin write failed !!!"), lines.end());
}

TEST(FullDisk, UnpackingUnderAFileSizeLimitReportsWriteFailures) {
  ScopedTempDir dir;
  const std::string big = pattern_bytes(600000, 4);
  write_file("res/big.bin", big);
  write_file("res/small.txt", "small\n");
  run_tool({"--pack"});
  fs::remove_all("res");
  // 200 KiB: the pack itself is only read; each member may grow to it.
  const std::string output = run_with_file_size_limit({"--unpack", "-o", "out"}, 200 * 1024);
  const std::vector<std::string> lines = lines_after(output, unpack_usage_text());
  ASSERT_FALSE(lines.empty());
  for (const std::string& line : lines) EXPECT_EQ(line, "out/big.bin write failed !!!");
  // What was written stays; the member that fits is whole.
  EXPECT_EQ(fs::file_size("out/big.bin"), 200u * 1024u);
  EXPECT_EQ(read_file("out/big.bin"), big.substr(0, 200 * 1024));
  EXPECT_EQ(read_file("out/small.txt"), "small\n");
}

TEST(FullDisk, PackingUnderAFileSizeLimitReportsWriteFailures) {
  ScopedTempDir dir;
  write_file("res/big.bin", pattern_bytes(400000, 6));
  const std::string output = run_with_file_size_limit({"--pack"}, 256 * 1024);
  const std::vector<std::string> lines = lines_after(output, pack_usage_text());
  ASSERT_FALSE(lines.empty());
  // The data and the final flush fail; the checksum pass folds what reached
  // the disk, prints it, and cannot append.
  const std::set<std::string> allowed = {"res.bin write failed !!!", "res/big.bin write failed !!!",
                                         "add crc write failed !!!"};
  ASSERT_GE(lines.size(), 3u);
  for (size_t i = 0; i + 2 < lines.size(); ++i) EXPECT_TRUE(allowed.count(lines[i]) == 1) << lines[i];
  EXPECT_NE(std::find(lines.begin(), lines.end(), "res/big.bin write failed !!!"), lines.end());
  EXPECT_EQ(lines[lines.size() - 2].compare(0, 6, "crc=0x"), 0) << lines[lines.size() - 2];
  EXPECT_EQ(lines.back(), "add crc write failed !!!");
  EXPECT_EQ(fs::file_size("res.bin"), 256u * 1024u);
}

TEST(FullDisk, SourceOfTwoGibibytesIsSkipped) {
  ScopedTempDir dir;
  write_file("res/a.txt", "first\n");
  write_file("res/huge.bin", "");
  std::error_code error;
  fs::resize_file("res/huge.bin", uint64_t{1} << 31, error);  // sparse: no blocks used
  if (error) GTEST_SKIP() << "no sparse file here: " << error.message();
  write_file("res/z.txt", "last\n");
  const std::string output = run_tool({"--pack"});
  const std::vector<std::string> lines = lines_after(output, pack_usage_text());
  ASSERT_EQ(lines.size(), 2u) << output;
  EXPECT_EQ(lines[0], "huge.bin is too large for a pack file, skipped !!!");
  EXPECT_EQ(lines[1].compare(0, 6, "crc=0x"), 0);
  // Its entry is all zero and still counted; the others come back whole.
  fs::remove_all("res");
  EXPECT_EQ(run_tool({"--unpack"}), unpack_usage_text() + " open failed !!!\n");
  EXPECT_EQ(read_file("res/a.txt"), "first\n");
  EXPECT_EQ(read_file("res/z.txt"), "last\n");
}
