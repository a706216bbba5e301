// Names on Windows: how paths reach the wide calls, what an unpack refuses
// by the rule for names before it makes anything, and the reader's file
// opened by a UTF-8 or an ANSI path.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "blobsmith/reader.h"
#include "platform/wide_path_win32.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

// text in the ANSI code page as UTF-16.
std::wstring from_ansi(const char* text) {
  wchar_t wide[64];
  const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 64);
  return units > 0 ? std::wstring(wide) : std::wstring();
}

TEST(NamesWin32, PathsInTheLongFormDevicesAndLevelsWindowsWouldStrip) {
  ScopedTempDir temp;
  wchar_t here[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, here), 0u);
  const std::wstring cwd = std::wstring(L"\\\\?\\") + here;
  const struct {
    const char* path;
    std::wstring expected;  // empty: refused
    bool device;
  } rows[] = {
      {"a/../b/./c\\d", cwd + L"\\b\\c\\d", false},
      {"\\\\host\\share/f", L"\\\\?\\UNC\\host\\share\\f", false},
      {"//?/C:/as/./is", L"\\\\?\\C:\\as\\.\\is", false},
      {"C:\\\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80", L"\\\\?\\C:\\\u00e9\u65e5\U0001F600", false},
      {"C:\\\xE9t\xE9", L"\\\\?\\C:\\" + from_ansi("\xE9t\xE9"), false},
      {"out\\nul.bin", L"", true},  // (more devices in tests/windows/devices.sh)
      {"dir./x", L"", false},
      {"x/a ", L"", false},
      {"x/...", L"", false},
  };
  for (const auto& row : rows) {
    WidePath wide;
    EXPECT_EQ(make_wide_path(row.path, &wide), row.expected.empty() ? -1 : 0) << row.path;
    EXPECT_EQ(wide.text != nullptr ? std::wstring(wide.text) : L"", row.expected) << row.path;
    EXPECT_EQ(wide.device, row.device) << row.path;
  }
  char out[8];
  EXPECT_EQ(utf8_from_wide(L"\U0001F600", out, sizeof out), 4);
  EXPECT_EQ(std::string(out), "\xF0\x9F\x98\x80");
  EXPECT_EQ(utf8_from_wide(L"a\xD800z", out, sizeof out), -1);            // an unpaired surrogate
  EXPECT_EQ(utf8_from_wide(L"\u65e5\u672c\u8a9e", out, sizeof out), -1);  // 9 bytes do not fit
}

TEST(NamesWin32, UnpackRefusesWhatWindowsCannotHoldBeforeMakingIt) {
  ScopedTempDir temp;
  // In the packer's order; a name that is not UTF-8 is made in the ANSI
  // code page, as earlier builds made it.
  // clang-format off
  const std::vector<ImageMember> members = {
      {"...", "1", false}, {"a.\\x", "2", false}, {"ab:c", "3", false}, {"B", "upper", false},
      {"b", "lower", false}, {"b.", "6", false}, {"COM\xC2\xB9.log", "7", false},
      {"con.txt", "8", false}, {"CONIN$", "9", false}, {"lpt1\\z", "10", false},
      {"ok.txt", "11", false}, {"q", "12", false}, {"q\\r", "13", false}, {"sp ", "14", false},
      {"tab\tname", "15", false}, {"\xE9t\xE9.txt", "16", false}};
  // clang-format on
  write_file("p.bin", sound_pack_image(members));
  int status = 0;
  EXPECT_EQ(
      run_tool({"--unpack", "-q", "-i", "p.bin", "-o", "out"}, &status),
      "... cannot be made on Windows, a level ends in a dot or a space, skipped !!!\n"
      "a.\\x cannot be made on Windows, a level ends in a dot or a space, skipped !!!\n"
      "ab:c cannot be made on Windows, it holds a character Windows does not allow, skipped !!!\n"
      "b collides with B, skipped !!!\n"
      "b. cannot be made on Windows, a level ends in a dot or a space, skipped !!!\n"
      "COM\xC2\xB9.log cannot be made on Windows, a level is a device name, skipped !!!\n"
      "con.txt cannot be made on Windows, a level is a device name, skipped !!!\n"
      "CONIN$ cannot be made on Windows, a level is a device name, skipped !!!\n"
      "lpt1\\z cannot be made on Windows, a level is a device name, skipped !!!\n"
      "q\\r collides with q, skipped !!!\n"
      "sp  cannot be made on Windows, a level ends in a dot or a space, skipped !!!\n"
      "tab\\x09name cannot be made on Windows, it holds a character Windows does not allow, "
      "skipped !!!\n");
  EXPECT_EQ(status, 1);
  char ansi_made[32];
  ASSERT_GT(utf8_from_wide(from_ansi("\xE9t\xE9.txt").c_str(), ansi_made, sizeof ansi_made), 0);
  EXPECT_EQ(list_tree("out"), (std::vector<std::string>{"B", "ok.txt", "q", ansi_made}));
  EXPECT_EQ(read_file("out/B"), "upper");
}

TEST(NamesWin32, ReaderOpensByUtf8PathAndByAnsiPath) {
  ScopedTempDir temp;
  write_file("p.bin", sound_pack_image({{"m.txt", "member", false}}));
  ASSERT_TRUE(MoveFileW(L"p.bin", L"\u00e9t\u00e9 \u65e5.bin"));
  blobsmith_pack* pack = nullptr;
  ASSERT_EQ(blobsmith_open_file("\xC3\xA9t\xC3\xA9 \xE6\x97\xA5.bin", nullptr, &pack),
            BLOBSMITH_OK);
  EXPECT_EQ(blobsmith_find(pack, "m.txt"), 0);
  blobsmith_close(pack);
  // Not valid UTF-8: read in the ANSI code page, as the narrow calls did.
  ASSERT_TRUE(MoveFileW(L"\u00e9t\u00e9 \u65e5.bin", (from_ansi("\xE9t\xE9") + L".bin").c_str()));
  ASSERT_EQ(blobsmith_open_file("\xE9t\xE9.bin", nullptr, &pack), BLOBSMITH_OK);
  blobsmith_close(pack);
}

}  // namespace
}  // namespace blobsmith
