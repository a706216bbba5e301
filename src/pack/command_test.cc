// Tests of the pack command's option walk and its refusals.
#include "pack/command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pack/collect.h"
#include "pack/writer.h"
#include "support/test_support.h"

namespace {

const std::string kVersion = "blobsmith 0.1.0\n";

// The crc line of a run is the last line; everything before it is fixed.
std::string without_crc_line(const std::string& output) {
  const size_t at = output.rfind("crc=0x");
  return at == std::string::npos ? output : output.substr(0, at);
}

TEST(RunPackCommand, VersionAndNothingToPack) {
  ScopedTempDir temp;
  EXPECT_EQ(run_tool({"--pack"}), pack_usage_text());  // no res directory
  EXPECT_FALSE(file_exists("res.bin"));
  write_file("res/a", "a");
  EXPECT_EQ(run_tool({"--pack", "-o", "x.bin", "-i", "res", "-v"}), pack_usage_text() + kVersion);
  EXPECT_EQ(run_tool({"--pack", "-g", "a", "-v", "b"}), pack_usage_text() + kVersion);
  EXPECT_FALSE(file_exists("x.bin"));
  EXPECT_FALSE(file_exists("res.bin"));
  // As the value of -o the word is a file name.
  EXPECT_EQ(without_crc_line(run_tool({"--pack", "-o", "-v"})), pack_usage_text());
  EXPECT_TRUE(file_exists("-v"));
  // The entry finds the mode word; the command takes it as the output name.
  EXPECT_EQ(without_crc_line(run_tool({"-o", "--pack"})), pack_usage_text());
  EXPECT_TRUE(file_exists("--pack"));
  // Ignoring everything leaves nothing to write.
  EXPECT_EQ(run_tool({"--pack", "-o", "none.bin", "-g", "a"}), pack_usage_text());
  EXPECT_FALSE(file_exists("none.bin"));
}

TEST(RunPackCommand, IgnoreListRules) {
  ScopedTempDir temp;
  std::vector<std::string> args = {"--pack", "-o", "out.bin", "-g"};
  for (int i = 0; i < 32; ++i) {
    write_file("res/n" + std::to_string(i), "x");
    args.push_back("n" + std::to_string(i));
  }
  // 30 names are stored; n30 and n31 are passed over and so packed.
  run_tool(args);
  const std::string pack = read_file("out.bin");
  EXPECT_EQ(get_u32_le(reinterpret_cast<const unsigned char*>(pack.data()) + HEADER_ENTRY_COUNT_AT), 2u);
  EXPECT_EQ(pack.substr(PACK_TABLE_OFFSET, 4), std::string("n30\0", 4));

  // An empty name is stored and matches nothing; "-g" alone stores nothing;
  // a second "-g" appends.
  run_tool({"--pack", "-o", "two.bin", "-g", "", "n1", "-g", "n2", "-g"});
  EXPECT_EQ(read_file("two.bin")[HEADER_ENTRY_COUNT_AT], 30);
}

TEST(RunPackCommand, RefusedValuesWriteNothing) {
  ScopedTempDir temp;
  write_file("res/a", "a");
  EXPECT_EQ(run_tool({"--pack", "-m", "eightchr"}),
            pack_usage_text() + "eightchr machine flag is longer than 7 characters, nothing written !!!\n");
  const std::string long_name(512, 'o');
  EXPECT_EQ(run_tool({"--pack", "-o", long_name}),
            pack_usage_text() + long_name + " path name is too long, nothing written !!!\n");
  EXPECT_EQ(run_tool({"--pack", "-i", long_name}),
            pack_usage_text() + long_name + " path name is too long, nothing written !!!\n");
  EXPECT_EQ(run_tool({"--pack", "-i", ""}),
            pack_usage_text() + "empty input directory name, nothing written !!!\n");
  EXPECT_FALSE(file_exists("res.bin"));
  // The flag of an earlier run in the process does not carry over.
  run_tool({"--pack", "-m", "m1"});
  run_tool({"--pack", "-o", "second.bin"});
  EXPECT_EQ(read_file("second.bin").substr(48, 8), std::string("q5\0\0\0\0\0\0", 8));
}

TEST(RunPackCommand, TableLimitAndOutputInsideTheTree) {
  ScopedTempDir temp;
  for (int i = 0; i < PACK_MAX_USABLE_ENTRIES; ++i) write_file("res/f" + std::to_string(i), "");
  // An earlier pack inside the input tree is not packed into the new one.
  run_tool({"--pack", "-o", "res/res.bin"});
  run_tool({"--pack", "-o", "res/res.bin"});
  const std::string pack = read_file("res/res.bin");
  EXPECT_EQ(get_u32_le(reinterpret_cast<const unsigned char*>(pack.data()) + HEADER_ENTRY_COUNT_AT), 2047u);
  EXPECT_EQ(pack.size(), 133124u);  // every member is empty

  write_file("res/one-more", "");
  EXPECT_EQ(run_tool({"--pack", "-o", "full.bin"}),
            pack_usage_text() + "res holds more than 2047 files, nothing written !!!\n");
  EXPECT_FALSE(file_exists("full.bin"));
}

}  // namespace
