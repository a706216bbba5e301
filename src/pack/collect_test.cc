// Tests of the tree walk and the packer's order.
#include "pack/collect.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

struct Collected {
  std::vector<std::string> paths;
  std::string output;
};

// Walks dir into a fresh table with the given ignore names, then sorts.
Collected collect(const std::string& dir, const std::vector<const char*>& ignore = {},
                  const int capacity = PACK_MAX_ENTRIES) {
  g_ignore_list.count = 0;
  for (const char* name : ignore) g_ignore_list.names[g_ignore_list.count++] = name;
  std::unique_ptr<NameTable> table(new NameTable{});
  start_capture();
  const int count = collect_files(dir.c_str(), table.get(), static_cast<int>(dir.size()) + 1, 0, capacity);
  Collected result;
  result.output = finish_capture();
  std::qsort(table->slots, static_cast<size_t>(count), PATH_BUFFER_SIZE, compare_names);
  for (int i = 0; i < count; ++i) result.paths.push_back(table->slots[i]);
  g_ignore_list.count = 0;
  return result;
}

TEST(CollectFiles, DepthFirstThenCaseFoldedOrder) {
  ScopedTempDir temp;
  for (const char* path : {"res/B.txt", "res/a.txt", "res/a0.txt", "res/a/x.txt", "res/a-b",
                           "res/a_b", "res/a.b/y"}) {
    write_file(path, "x");
  }
  mkdir("res/empty", 0777);
  const Collected collected = collect("res");
  EXPECT_EQ(collected.paths,
            (std::vector<std::string>{"res/a-b", "res/a.b/y", "res/a.txt", "res/a/x.txt",
                                      "res/a0.txt", "res/a_b", "res/B.txt"}));
  EXPECT_EQ(collected.output, "");
}

TEST(CollectFiles, IgnoreNamesAtEveryDepth) {
  ScopedTempDir temp;
  for (const char* path : {"res/keep.txt", "res/.svn/entries", "res/sub/.svn/x", "res/sub/.svn2",
                           "res/sub/deep/.svn", "res/sub/CVS/y", "res/a/b"}) {
    write_file(path, "x");
  }
  // A name with a separator and an empty name never match a bare name.
  const Collected collected = collect("res", {".svn", "CVS", "sub/.svn2", ""});
  EXPECT_EQ(collected.paths,
            (std::vector<std::string>{"res/a/b", "res/keep.txt", "res/sub/.svn2"}));
}

TEST(CollectFiles, RelativeNameOf55IsKept56Reported) {
  ScopedTempDir temp;
  const std::string dir = "res/" + std::string(40, 'd');
  const std::string fits = dir + "/" + std::string(14, 'f');   // 40 + 1 + 14 = 55
  const std::string longer = dir + "/" + std::string(15, 'g');  // 56
  write_file(fits, "x");
  write_file(longer, "x");
  const Collected collected = collect("res");
  EXPECT_EQ(collected.paths, std::vector<std::string>{fits});
  EXPECT_EQ(collected.output, "!!! " + longer + " path name is too long, skiped !!!\n");

  // A trailing separator on the input directory gives the same relative names.
  const Collected slashed = collect("res/");
  EXPECT_EQ(slashed.paths, std::vector<std::string>{"res//" + fits.substr(4)});
  EXPECT_EQ(slashed.output, "!!! res//" + longer.substr(4) + " path name is too long, skiped !!!\n");
}

TEST(CollectFiles, PathsBeyondTheBufferAreReportedNotOverflowed) {
#ifdef _WIN32
  GTEST_SKIP() << "paths of more than 260 characters cannot be made on Windows";
#endif
  ScopedTempDir temp;
  std::string dir = "res";
  for (int level = 0; level < 3; ++level) dir += "/" + std::string(200, static_cast<char>('a' + level));
  ASSERT_EQ(system(("mkdir -p " + dir).c_str()), 0);
  write_file(dir.substr(0, 4 + 200) + "/ok", "x");  // res/aaa.../ok: too long a name
  const Collected collected = collect("res");
  EXPECT_TRUE(collected.paths.empty());
  const std::string third = std::string(200, 'c');
  EXPECT_NE(collected.output.find("/" + third + " path name is too long, skiped !!!\n"), std::string::npos)
      << collected.output;
}

TEST(CollectFiles, LinksLoopsAndSpecialFiles) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links and FIFOs cannot be made on Windows";
#endif
  ScopedTempDir temp;
  write_file("res/dir/file", "x");
  write_file("elsewhere/linked", "y");
  ASSERT_EQ(symlink("..", "res/dir/loop"), 0);               // back to res
  ASSERT_EQ(symlink("../elsewhere", "res/outside"), 0);     // followed
  ASSERT_EQ(symlink("missing", "res/dangling"), 0);         // kept as a file
  ASSERT_EQ(mkfifo("res/pipe", 0666), 0);                   // kept as a file
  const Collected collected = collect("res");
  EXPECT_EQ(collected.paths,
            (std::vector<std::string>{"res/dangling", "res/dir/file", "res/outside/linked",
                                      "res/pipe"}));
}

TEST(CollectFiles, CapacityAndMissingDirectory) {
  ScopedTempDir temp;
  for (int i = 0; i < 10; ++i) write_file("res/f" + std::to_string(i), "x");
  EXPECT_EQ(collect("res", {}, 4).paths.size(), 4u);
  EXPECT_TRUE(collect("missing").paths.empty());
  EXPECT_TRUE(collect("res/f0").paths.empty());  // a file is no directory

  // The file named by the exclusion is left out, whatever its name.
  FileIdentity identity;
  ASSERT_EQ(file_identity("res/f3", &identity), 0);
  std::unique_ptr<NameTable> table(new NameTable{});
  EXPECT_EQ(collect_files("res", table.get(), 4, 0, PACK_MAX_ENTRIES, &identity), 9);
  for (int i = 0; i < 9; ++i) EXPECT_STRNE(table->slots[i], "res/f3");
}

}  // namespace
