// --list and --list --json on packs built in memory: names no two of which
// may show alike, names that are not UTF-8, zeroed entries, and files that
// cannot be listed.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "format/pack_format.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

struct Listed {
  std::string out;
  std::string errors;
  int status;
};

Listed list(const std::vector<std::string>& args) {
  Listed run{"", "", -1};
  testing::internal::CaptureStderr();
  run.out = run_tool(args, &run.status);
  run.errors = testing::internal::GetCapturedStderr();
  return run;
}

TEST(List, NamesShowLevelsAndNoTwoAlike) {
  ScopedTempDir temp;
  // clang-format off
  write_file("res.bin", pack_image(6, {{"d\\x1b", 260, 1}, {"d\x1b", 260, 1}, {"a/b", 260, 1},
                                       {"a\\b", 260, 1}, {"", 0, 0},
                                       {"\xc2\x9b\xff\\\xe2\x80\xae", 260, 1}}, "x"));
  // clang-format on
  const Listed run = list({"--list"});
  EXPECT_EQ(run.out, usage_box("--list") +
                         "machine \"q5\"  packed 2026-01-02 03:04  entries 6\n"
                         "    260          1  d/x1b\n"
                         "    260          1  d\\x1B\n"
                         "    260          1  a\\x2Fb\n"
                         "    260          1  a/b\n"
                         "      0          0  (zeroed entry)\n"
                         "    260          1  \\xC2\\x9B\\xFF/\\xE2\\x80\\xAE\n");
  EXPECT_EQ(run.status, 0);
}

TEST(List, JsonDocument) {
  ScopedTempDir temp;
  const std::string image = sound_pack_image({{"img\\ok.png", "0123456789", false},
                                              {"", "", true},
                                              {"bad\xff\\x\xc3", "ab", false},
                                              {"q\"\x1b\xc2\x9b\xe2\x80\xae", "", false},
                                              {"a/b", "z", false}});
  write_file("res.bin", image);
  char checksum[11];
  std::snprintf(
      checksum, sizeof checksum, "0x%08x",
      get_u32_le(reinterpret_cast<const unsigned char*>(image.data()) + image.size() - 4));
  Listed run = list({"--list", "--json"});
  EXPECT_EQ(run.out,
            "{\"format\": 1, \"machine\": \"q5\", \"date\": \"2026-01-02\", \"time\": \"03:04\", "
            "\"entry_count\": 5, \"checksum\": \"" +
                std::string(checksum) +
                "\", \"entries\": ["
                "{\"index\": 0, \"name\": \"img/ok.png\", \"start_block\": 260, "
                "\"offset\": 133120, \"size\": 10, \"zeroed\": false}, "
                "{\"index\": 1, \"name\": \"\", \"start_block\": 0, "
                "\"offset\": 0, \"size\": 0, \"zeroed\": true}, "
                "{\"index\": 2, \"name\": \"bad\xef\xbf\xbd/x\xef\xbf\xbd\", "
                "\"name_hex\": \"626164ff5c78c3\", \"start_block\": 261, "
                "\"offset\": 133632, \"size\": 2, \"zeroed\": false}, "
                "{\"index\": 3, \"name\": \"q\\\"\\u001b\\u009b\\u202e\", \"start_block\": 262, "
                "\"offset\": 134144, \"size\": 0, \"zeroed\": false}, "
                "{\"index\": 4, \"name\": \"a/b\", \"name_hex\": \"612f62\", \"start_block\": 262, "
                "\"offset\": 134144, \"size\": 1, \"zeroed\": false}]}\n");
  EXPECT_EQ(run.errors, "");
  EXPECT_EQ(run.status, 0);
  // No trailing word after the table: the checksum is null.
  write_file("short.bin", pack_image(1, {{"a", 260, 0}}, ""));
  run = list({"--json", "-i", "short.bin", "--list"});
  EXPECT_EQ(run.out,
            "{\"format\": 1, \"machine\": \"q5\", \"date\": \"2026-01-02\", \"time\": \"03:04\", "
            "\"entry_count\": 1, \"checksum\": null, \"entries\": [{\"index\": 0, \"name\": "
            "\"a\", \"start_block\": 260, \"offset\": 133120, \"size\": 0, \"zeroed\": false}]}\n");
}

TEST(List, JsonOfWhatCannotBeListedIsNothing) {
  ScopedTempDir temp;
  write_file("text.bin", std::string(600, 'x'));
  write_file("cut.bin", pack_image(3, {}, "").substr(0, PACK_TABLE_OFFSET + 100));
  const struct {
    const char* path;
    const char* line;
  } cases[] = {
      {"missing.bin", "missing.bin open failed !!!\n"},
      {"text.bin", "text.bin is not a pack file !!!\n"},
      {"cut.bin", "cut.bin read failed !!!\n"},
  };
  for (const auto& c : cases) {
    const Listed run = list({"--list", "--json", "-i", c.path});
    EXPECT_EQ(run.out, "") << c.path;
    EXPECT_EQ(run.errors, c.line);
    EXPECT_EQ(run.status, 2);
  }
}

}  // namespace
}  // namespace blobsmith
