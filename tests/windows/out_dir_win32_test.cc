// The output tree on Windows: a level held open cannot be renamed, a member
// is made inside its level, the pack being read is refused, and a file with
// a second name is split from it rather than written through.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/io.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

// Closed however the test ends, so no handle keeps the directory from going.
using HeldDir = std::unique_ptr<OutDir, void (*)(OutDir*)>;

TEST(OutDirWin32, HeldLevelsMembersProtectedPackAndSecondNames) {
  ScopedTempDir temp;
  int failure = 0;
  OutObject object;
  HeldDir top(out_dir_open("made/top"), out_dir_close);
  ASSERT_NE(top, nullptr);
  HeldDir level(out_dir_open_level(top.get(), "level", &object, &failure), out_dir_close);
  ASSERT_NE(level, nullptr);
  EXPECT_TRUE(object.made);
  EXPECT_FALSE(MoveFileA("made\\top\\level", "made\\top\\moved"));
  EXPECT_FALSE(MoveFileA("made\\top", "made\\moved"));
  IoFile* member = out_dir_create_file(level.get(), "member", &object, &failure);
  ASSERT_NE(member, nullptr) << "failure " << failure;
  const FileIdentity made = object.identity;
  EXPECT_EQ(io_close(member), 0);
  // What stands there now is found, not opened: the same file by its identity.
  EXPECT_EQ(out_dir_create_file(level.get(), "MEMBER", &object, &failure), nullptr);
  EXPECT_EQ(failure, OUT_EXISTS);
  EXPECT_TRUE(object.known && same_identity(object.identity, made));
  for (const char* bytes : {"first", "second"}) {
    member = out_dir_replace_file(level.get(), "member", nullptr, &object, &failure);
    ASSERT_NE(member, nullptr) << "failure " << failure;
    EXPECT_EQ(io_write(bytes, std::strlen(bytes), 1, member), 1u);
    EXPECT_EQ(io_close(member), 0);
    EXPECT_EQ(read_file("made/top/level/member"), bytes);
    FileStatus pack;
    ASSERT_EQ(path_status("made/top/level/member", 1, &pack), 0);
    EXPECT_EQ(out_dir_replace_file(level.get(), "member", &pack.identity, &object, &failure),
              nullptr);
    EXPECT_EQ(failure, OUT_IS_PROTECTED);
    // A second name: the next member gets a file of its own.
    if (bytes[0] == 'f') {
      ASSERT_TRUE(CreateHardLinkA("other", "made\\top\\level\\member", nullptr));
    }
  }
  EXPECT_EQ(read_file("other"), "first");
  level.reset();
  EXPECT_TRUE(MoveFileA("made\\top\\level", "made\\top\\moved"));
  top.reset();
  EXPECT_TRUE(MoveFileA("made\\top", "made\\moved"));
}

}  // namespace
}  // namespace blobsmith
