// Temporary files of the seam: gone once closed unless kept, and kept whole
// under the name asked for, never over a name that is taken. Where the
// system makes them unnamed, nothing of them shows in the directory before
// they are kept.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/io.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

using Names = std::vector<std::string>;

TEST(TempFile, GoneUnlessKeptAndThenWholeUnderItsName) {
  ScopedTempDir temp;
  write_file("taken", "taken");
  int named = -1;
  IoFile* file = io_create_temp("dropped.tmp", 0666, 0, &named);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(list_tree("."), (named != 0 ? Names{"dropped.tmp", "taken"} : Names{"taken"}));
  EXPECT_EQ(io_write("bytes", 5, 1, file), 1u);
  EXPECT_EQ(io_close(file), 0);
  EXPECT_EQ(list_tree("."), Names{"taken"});

#ifndef _WIN32
  const mode_t mask = umask(022);  // would take 0662 to 0640
#endif
  file = io_create_temp("kept.tmp", 0662, 1, &named);
#ifndef _WIN32
  umask(mask);
#endif
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(io_write("bytes", 5, 1, file), 1u);
  // An unnamed file is not linked over a name that is taken.
  if (named == 0) {
    EXPECT_EQ(io_keep_temp(file, "taken"), 1);
  }
  EXPECT_EQ(io_keep_temp(file, "kept.tmp"), 0);
  EXPECT_EQ(io_close(file), 0);
  EXPECT_EQ(list_tree("."), (Names{"kept.tmp", "taken"}));
  EXPECT_EQ(read_file("kept.tmp"), "bytes");
  EXPECT_EQ(read_file("taken"), "taken");
#ifndef _WIN32
  struct stat info;
  ASSERT_EQ(stat("kept.tmp", &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0662u);
#endif
}

}  // namespace
}  // namespace blobsmith
