// Tests of the Windows side of the file and directory seam and of the local
// clock, and of what the tool makes of them: both separators, devices that
// open like files, and 64-bit positions in a 32-bit program.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "format/pack_format.h"
#include "platform/io.h"
#include "platform/local_time.h"
#include "support/test_support.h"
#include "unpack/extract.h"

namespace {

std::vector<std::pair<std::string, PathKind>> search_all(const char* dir) {
  std::vector<std::pair<std::string, PathKind>> entries;
  DirSearch* search = dir_search_open(dir);
  if (search == nullptr) return entries;
  DirEntryInfo info;
  while (dir_search_next(search, &info) == 1) entries.emplace_back(info.name, info.kind);
  dir_search_close(search);
  std::sort(entries.begin(), entries.end());
  return entries;
}

// Makes path a sparse file of size bytes, so that no disk space is spent
// on its zeros (NTFS fills a gap with zeros unless a file is sparse).
bool make_sparse_file(const char* path, const int64_t size) {
  const HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  DeviceIoControl(handle, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = size;
  const bool made = SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
  CloseHandle(handle);
  return made;
}

bool same_object(const char* a, const char* b) {
  FileIdentity first{};
  FileIdentity second{};
  return file_identity(a, &first) == 0 && file_identity(b, &second) == 0 &&
         first.device == second.device && first.object == second.object;
}

}  // namespace

TEST(WindowsIo, DirectoryLevelsWithEitherSeparator) {
  ScopedTempDir temp;
  EXPECT_TRUE(is_platform_separator('/'));
  EXPECT_TRUE(is_platform_separator('\\'));
  EXPECT_FALSE(is_platform_separator(':'));
  EXPECT_EQ(platform_separator(), '\\');

  EXPECT_EQ(path_kind("a"), PATH_MISSING);
  EXPECT_EQ(make_directory("a"), 0);
  EXPECT_EQ(path_kind("a"), PATH_DIRECTORY);
  EXPECT_EQ(make_directory("a"), -1);       // already there
  EXPECT_EQ(make_directory("x/y"), -1);     // one level only
  EXPECT_EQ(make_directory("a\\b"), 0);
  EXPECT_EQ(make_directory("a/b/c"), 0);
  EXPECT_EQ(path_kind("a/b\\c"), PATH_DIRECTORY);
  write_file("a/b/c/f", "x");
  EXPECT_EQ(path_kind("a\\b\\c\\f"), PATH_REGULAR);
  EXPECT_EQ(path_kind("a/b/c/none"), PATH_MISSING);
}

TEST(WindowsIo, SearchYieldsEveryNameAndTheDirectoryBit) {
  ScopedTempDir temp;
  write_file("d/f1", "1");
  write_file("d/F2.TXT", "22");
  write_file("d/sub/inner", "3");
  write_file("d/.hidden", "4");
  const std::vector<std::pair<std::string, PathKind>> expected = {
      {".", PATH_DIRECTORY},   {"..", PATH_DIRECTORY}, {".hidden", PATH_REGULAR},
      {"F2.TXT", PATH_REGULAR}, {"f1", PATH_REGULAR},   {"sub", PATH_DIRECTORY}};
  EXPECT_EQ(search_all("d"), expected);
  EXPECT_EQ(search_all("d\\"), expected);
  EXPECT_EQ(search_all("d/sub"),
            (std::vector<std::pair<std::string, PathKind>>{
                {".", PATH_DIRECTORY}, {"..", PATH_DIRECTORY}, {"inner", PATH_REGULAR}}));
  EXPECT_EQ(dir_search_open("missing"), nullptr);
  EXPECT_EQ(dir_search_open("d/f1"), nullptr);
}

TEST(WindowsIo, OnlyFilesOnDiskAreReadAndOnlyPlainFilesWritten) {
  ScopedTempDir temp;
  write_file("d/f", "old content");
  EXPECT_EQ(io_open("NUL", "rb"), nullptr);  // a device opens like a file
  EXPECT_EQ(io_open("NUL", "rb+"), nullptr);
  EXPECT_EQ(io_open("d", "rb"), nullptr);
  EXPECT_EQ(io_open("d/f", "ab"), nullptr);  // not a mode the tool uses
  IoFile* file = io_open("d\\f", "rb");
  ASSERT_NE(file, nullptr);
  char bytes[16] = {};
  EXPECT_EQ(io_read(bytes, 1, sizeof bytes, file), 11u);
  EXPECT_EQ(std::string(bytes), "old content");
  EXPECT_EQ(io_close(file), 0);

  EXPECT_EQ(io_create_member("NUL"), nullptr);
  EXPECT_EQ(io_create_member("d"), nullptr);
  EXPECT_EQ(io_create_member("none/f"), nullptr);
  IoFile* member = io_create_member("d/f");  // truncated, then written
  ASSERT_NE(member, nullptr);
  EXPECT_EQ(io_write("new\n", 1, 4, member), 4u);
  EXPECT_EQ(io_close(member), 0);
  EXPECT_EQ(read_file("d/f"), "new\n");  // no CR: binary
  member = io_create_member("d\\g");
  ASSERT_NE(member, nullptr);
  EXPECT_EQ(io_close(member), 0);
  EXPECT_EQ(path_kind("d/g"), PATH_REGULAR);

  void* pages = allocate_pages(IO_STREAM_BUFFER_SIZE);
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(pages) % 4096, 0u);
  free_pages(pages);
}

TEST(WindowsIo, IdentityNamesTheObjectWhateverTheSpelling) {
  ScopedTempDir temp;
  write_file("d/f1", "1");
  write_file("d/f2", "1");
  EXPECT_TRUE(same_object("d/f1", "d\\F1"));
  EXPECT_TRUE(same_object("d", ".\\d\\"));
  EXPECT_TRUE(same_object("d", "d/../d"));
  EXPECT_FALSE(same_object("d/f1", "d/f2"));
  EXPECT_FALSE(same_object("d", "d/f1"));
  FileIdentity identity{};
  EXPECT_EQ(file_identity("d/none", &identity), -1);
}

// Positions past 2 and 4 GiB in a 32-bit program: a sparse file of
// 4 GiB and 101 bytes is written at its end and measured, and the pack command
// refuses it by its true size rather than a wrapped one.
TEST(WindowsIo, PositionsBeyondFourGiBAndTheSizeLimit) {
  ScopedTempDir temp;
  write_file("res/small", "abc");
  const int64_t beyond_four_gib = (int64_t{1} << 32) + 100;
  ASSERT_TRUE(make_sparse_file("res/big", beyond_four_gib));
  IoFile* file = io_open("res/big", "rb+");
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(io_seek(file, beyond_four_gib, SEEK_SET), 0);
  EXPECT_EQ(io_write("z", 1, 1, file), 1u);
  EXPECT_EQ(io_tell(file), beyond_four_gib + 1);
  ASSERT_EQ(io_close(file), 0);

  file = io_open("res/big", "rb");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(io_seek(file, 0, SEEK_END), 0);
  EXPECT_EQ(io_tell(file), beyond_four_gib + 1);
  EXPECT_EQ(io_seek(file, beyond_four_gib, SEEK_SET), 0);
  char got = 0;
  EXPECT_EQ(io_read(&got, 1, 1, file), 1u);
  EXPECT_EQ(got, 'z');
  EXPECT_EQ(io_seek(file, int64_t{1} << 31, SEEK_SET), 0);
  EXPECT_EQ(io_tell(file), int64_t{1} << 31);
  EXPECT_EQ(io_close(file), 0);

  const std::string output = run_tool({"--pack", "-i", "res", "-o", "out.bin"});
  EXPECT_NE(output.find("\nbig is too large for a pack file, skipped !!!\n"), std::string::npos)
      << output;
  const std::string pack = read_file("out.bin");
  // One member of one block and the checksum after the table.
  EXPECT_EQ(pack.size(), static_cast<size_t>(PACK_DATA_OFFSET + PACK_BLOCK_SIZE + 4));
}

TEST(WindowsIo, BothSeparatorsMakeLevelsOfTheOutputDirectory) {
  ScopedTempDir temp;
  const std::string data = "member" + std::string(PACK_BLOCK_SIZE - 6, '\0');
  write_file("in.bin", build_pack_image(2, {{"img\\logo.png", PACK_DATA_FIRST_BLOCK, 6},
                                            {"img/Sub\\x", PACK_DATA_FIRST_BLOCK, 3}},
                                        data + std::string(4, '\0')));
  EXPECT_EQ(extract_pack("in.bin", "o1/o2\\o3"), 0);
  EXPECT_EQ(read_file("o1/o2/o3/img/logo.png"), "member");
  EXPECT_EQ(read_file("o1/o2/o3/img/Sub/x"), "mem");
  EXPECT_EQ(list_tree("o1"),
            (std::vector<std::string>{"o2", "o2/o3", "o2/o3/img", "o2/o3/img/Sub",
                                      "o2/o3/img/Sub/x", "o2/o3/img/logo.png"}));
}

TEST(WindowsIo, InputDirectoryWithBackslashes) {
  ScopedTempDir temp;
  write_file("res/img/a/b.txt", "b");
  write_file("res/img/C.txt", "c");
  run_tool({"--pack", "-i", "res\\img", "-o", "out.bin"});
  const std::string pack = read_file("out.bin");
  ASSERT_GT(pack.size(), static_cast<size_t>(PACK_DATA_OFFSET));
  EXPECT_EQ(std::string(pack.data() + PACK_TABLE_OFFSET), "a\\b.txt");
  EXPECT_EQ(std::string(pack.data() + PACK_TABLE_OFFSET + PACK_ENTRY_SIZE), "C.txt");
  EXPECT_EQ(pack.substr(PACK_DATA_OFFSET, 2), std::string("b\0", 2));
}

TEST(WindowsLocalTime, FollowsTheRuntimeTimeZone) {
  ASSERT_EQ(_putenv("TZ=UTC"), 0);
  _tzset();
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::time_t before = std::time(nullptr);
    LocalTime now{};
    ASSERT_EQ(local_time_now(&now), 0);
    const std::tm utc = *std::gmtime(&before);
    if (utc.tm_min != now.minute && attempt < 2) continue;  // a minute went by
    EXPECT_EQ(now.year, utc.tm_year + 1900);
    EXPECT_EQ(now.month, utc.tm_mon + 1);
    EXPECT_EQ(now.day, utc.tm_mday);
    EXPECT_EQ(now.hour, utc.tm_hour);
    EXPECT_EQ(now.minute, utc.tm_min);
    break;
  }
}
