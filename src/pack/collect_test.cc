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
  NameTable* table = static_cast<NameTable*>(std::calloc(1, sizeof(NameTable)));
  WalkReport report{nullptr, false, false, false, 0};
  testing::internal::CaptureStdout();
  const int count = collect_files("res", table, 4, 0, PACK_MAX_ENTRIES, &report);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "res/bs\\name name holds a backslash, skipped !!!\n!!! res/" + std::string(52, 'n') +
                ".txt path name is too long, skiped !!!\n");
  g_ignore_list.count = 0;
  std::qsort(table->slots, static_cast<size_t>(count), PATH_BUFFER_SIZE, compare_names);
  EXPECT_EQ(std::vector<std::string>(table->slots, table->slots + count),
            (std::vector<std::string>{"res/a.txt", "res/a/link1/o", "res/a/x.txt", "res/a0.txt",
                                      "res/B.txt", "res/d/keep", "res/dangling", fits}));
  EXPECT_EQ(report.skipped, 2);
  EXPECT_FALSE(report.top_unreadable);
  EXPECT_EQ(collect_files("missing", table, 8, 0, PACK_MAX_ENTRIES, &report), 0);
  EXPECT_TRUE(report.top_unreadable);
  EXPECT_EQ(collect_files("res", table, 4, 0, 0, &report), 0);  // no room, nothing walked
  std::free(table);
}

TEST(Collect, PathsAtTheEdgeOfThePathBuffer) {
  ScopedTempDir temp;
  // 505 bytes, then a directory of 5 more fits a path buffer and is walked
  // (its file does not fit); one of 6 is reported without being entered.
  const std::string deep = "res/" + std::string(250, 'a') + "/" + std::string(250, 'b');
  write_file(deep + "/fits5/f", "x");
  write_file(deep + "/over6x/f", "x");
  NameTable* table = static_cast<NameTable*>(std::calloc(1, sizeof(NameTable)));
  testing::internal::CaptureStdout();
  EXPECT_EQ(collect_files("res", table, 4, 0, PACK_MAX_ENTRIES), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "!!! " + deep + "/fits5/f path name is too long, skiped !!!\n!!! " + deep +
                "/over6x path name is too long, skiped !!!\n");
  std::free(table);
}

TEST(Collect, NamesThatCannotComeBackWholeAndStaleTemporaryPacks) {
  ScopedTempDir temp;
  // Left out: drive prefixes at the top and a killed run's temporary pack;
  // a colon further down and a mere temporary-like name are packed.
  for (const char* file :
       {"res/c:notes.txt", "res/C:/x", "res/x/d:y", "res/b", "res/b.", "res/c ", "res/aux.c",
        "res/a.", "res/A/b", "res/B", "res/.blobsmith-00000000000000aa.tmp"}) {
    write_file(file, "x");
  }
  write_file("res/.blobsmith-0123456789abcdef.tmp", pack_image(1, {{"a", 260, 1}}, "a"));
  NameTable* table = static_cast<NameTable*>(std::calloc(1, sizeof(NameTable)));
  WalkReport report{nullptr, false, false, false, 0};
  testing::internal::CaptureStdout();
  const int count = collect_files("res", table, 4, 0, PACK_MAX_ENTRIES, &report);
  sort_name_table(table, count);
  const int lines = report_name_clashes(*table, count, 4);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "res/.blobsmith-0123456789abcdef.tmp is a temporary file of an unfinished run, skipped "
            "!!!\n"
            "res/C: name begins with a drive prefix, skipped !!!\n"
            "res/c:notes.txt name begins with a drive prefix, skipped !!!\n"
            "a. cannot be made on Windows, a level ends in a dot or a space !!!\n"
            "aux.c cannot be made on Windows, a level is a device name !!!\n"
            "B and b differ only in letter case !!!\n"
            "b. cannot be made on Windows, a level ends in a dot or a space !!!\n"
            "B and b. name the same file on Windows !!!\n"
            "c  cannot be made on Windows, a level ends in a dot or a space !!!\n"
            "x\\d:y cannot be made on Windows, it holds a character Windows does not allow !!!\n"
            "a. and A\\b name the same file on Windows !!!\n");
  EXPECT_EQ(lines, 8);
  EXPECT_EQ(report.skipped, 3);
  EXPECT_EQ(
      std::vector<std::string>(table->slots, table->slots + count),
      (std::vector<std::string>{"res/.blobsmith-00000000000000aa.tmp", "res/a.", "res/A/b",
                                "res/aux.c", "res/B", "res/b", "res/b.", "res/c ", "res/x/d:y"}));
  std::free(table);
}

}  // namespace
}  // namespace blobsmith
