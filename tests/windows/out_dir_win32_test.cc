// The output tree on Windows: a level held open cannot be renamed, a member
// is made inside its level, the pack being read is refused, and a file with
// a second name is split from it rather than written through.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/io.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

// A level closed however the test ends, so a failure leaves no handle that
// would keep the temporary directory from being removed.
using HeldDir = std::unique_ptr<OutDir, void (*)(OutDir*)>;

// Makes the member called name in dir and writes bytes into it.
void write_member(OutDir* dir, const char* name, const std::string& bytes) {
  int failure = 0;
  IoFile* member = out_dir_create_file(dir, name, nullptr, &failure);
  ASSERT_NE(member, nullptr) << "failure " << failure;
  EXPECT_EQ(io_write(bytes.data(), bytes.size(), 1, member), 1u);
  EXPECT_EQ(io_close(member), 0);
}

TEST(OutDirWin32, HeldLevelsMembersProtectedPackAndSecondNames) {
  ScopedTempDir temp;
  HeldDir top(out_dir_open("made/top"), out_dir_close);
  ASSERT_NE(top, nullptr);
  int failure = 0;
  HeldDir level(out_dir_open_level(top.get(), "level", &failure), out_dir_close);
  ASSERT_NE(level, nullptr);
  EXPECT_FALSE(MoveFileA("made\\top\\level", "made\\top\\moved"));
  EXPECT_FALSE(MoveFileA("made\\top", "made\\moved"));

  write_member(level.get(), "member", "first");
  EXPECT_EQ(read_file("made/top/level/member"), "first");

  FileStatus pack;
  ASSERT_EQ(path_status("made/top/level/member", 1, &pack), 0);
  IoFile* refused = out_dir_create_file(level.get(), "member", &pack.identity, &failure);
  EXPECT_EQ(refused, nullptr);
  if (refused != nullptr) io_close(refused);
  EXPECT_EQ(failure, OUT_IS_PROTECTED);
  EXPECT_EQ(read_file("made/top/level/member"), "first");

  ASSERT_TRUE(CreateHardLinkA("other", "made\\top\\level\\member", nullptr));
  write_member(level.get(), "member", "second");
  EXPECT_EQ(read_file("made/top/level/member"), "second");
  EXPECT_EQ(read_file("other"), "first");

  level.reset();
  EXPECT_TRUE(MoveFileA("made\\top\\level", "made\\top\\moved"));
  top.reset();
  EXPECT_TRUE(MoveFileA("made\\top", "made\\moved"));
}

}  // namespace
}  // namespace blobsmith
