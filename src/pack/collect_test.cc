// The walk: what it collects, in which order, what it reports and leaves out,
// and how it treats links (case clashes and the output: the black-box cases).
#include "pack/collect.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace blobsmith {
namespace {

struct Collected {
  std::vector<std::string> paths;  // sorted as the pack command sorts them
  std::string lines;
  WalkReport report;
};

Collected collect(const char* dir) {
  NameTable* table = static_cast<NameTable*>(std::calloc(1, sizeof(NameTable)));
  WalkReport report{nullptr, false, false, false, 0};
  testing::internal::CaptureStdout();
  const int count = collect_files(dir, table, static_cast<int>(std::string(dir).size()) + 1, 0,
                                  PACK_MAX_ENTRIES, &report);
  std::qsort(table->slots, static_cast<size_t>(count), PATH_BUFFER_SIZE, compare_names);
  Collected result{{}, testing::internal::GetCapturedStdout(), report};
  for (int i = 0; i < count; ++i) result.paths.emplace_back(table->slots[i]);
  std::free(table);
  return result;
}

TEST(Collect, OrderIgnoredNamesLengthsAndLinks) {
  ScopedTempDir temp;
  for (const char* file : {"res/B.txt", "res/a.txt", "res/a0.txt", "res/a/x.txt", "res/.svn",
                           "res/d/.svn/x", "res/d/CVS/y", "res/d/keep"}) {
    write_file(file, "x");
  }
  const std::string fits = "res/" + std::string(51, 'n') + ".txt";  // 55 after "res/"
  write_file(fits, "");
  write_file("res/" + std::string(52, 'n') + ".txt", "");
  write_file("res/bs\\name", "");
  ASSERT_EQ(mkdir("res/empty", 0777), 0);
  ASSERT_EQ(mkdir("res/d/other", 0777), 0);
  // Two links to one directory and a loop: each directory is entered once.
  ASSERT_EQ(symlink("../d/other", "res/a/link1"), 0);
  ASSERT_EQ(symlink("d/other", "res/link2"), 0);
  write_file("res/d/other/o", "");
  ASSERT_EQ(symlink("..", "res/d/up"), 0);
  ASSERT_EQ(symlink("missing", "res/dangling"), 0);
  g_ignore_list = IgnoreList{{".svn", "CVS", "res"}, 3};
  const Collected got = collect("res");
  g_ignore_list.count = 0;
  EXPECT_EQ(got.paths,
            (std::vector<std::string>{"res/a.txt", "res/a/link1/o", "res/a/x.txt", "res/a0.txt",
                                      "res/B.txt", "res/d/keep", "res/dangling", fits}));
  EXPECT_EQ(got.lines, "res/bs\\name name holds a backslash, skipped !!!\n!!! res/" +
                           std::string(52, 'n') + ".txt path name is too long, skiped !!!\n");
  EXPECT_EQ(got.report.skipped, 2);
  EXPECT_FALSE(got.report.top_unreadable);
  EXPECT_TRUE(collect("missing").report.top_unreadable);
}

}  // namespace
}  // namespace blobsmith
