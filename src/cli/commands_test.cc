// Tests of mode selection, the usage boxes and the version line.
#include "cli/commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

const char kPackBox[] =
    "================================================================\n"
    "|                                                              |\n"
    "| Usage:                                                       |\n"
    "| blobsmith --pack -o output_file -i input_dir -g ignore_file  |\n"
    "|  -o ---- output file name, default is \"res.bin\"              |\n"
    "|  -i ---- input directory path name, default is \"res\"         |\n"
    "|  -g ---- ignore file or path name                            |\n"
    "|  -m ---- machine flag, default is \"q5\"                       |\n"
    "|  -v ---- this tools version                                  |\n"
    "|                                                              |\n"
    "| example:                                                     |\n"
    "|   blobsmith --pack -o res.bin -i res -g .svn                 |\n"
    "================================================================\n";

const char kUnpackBox[] =
    "================================================================\n"
    "|                                                              |\n"
    "| Usage:                                                       |\n"
    "| blobsmith --unpack -o output_dir -i input_file               |\n"
    "|  -o ---- output dir name, default is \"res\"                   |\n"
    "|  -i ---- input file name, default is \"res.bin\"               |\n"
    "|  -v ---- this tools version                                  |\n"
    "|                                                              |\n"
    "| example:                                                     |\n"
    "|   blobsmith --unpack -o res -i res.bin                       |\n"
    "================================================================\n";

const char kListBox[] =
    "================================================================\n"
    "|                                                              |\n"
    "| Usage:                                                       |\n"
    "| blobsmith --list -i input_file                               |\n"
    "|  -i ---- input file name, default is \"res.bin\"               |\n"
    "|  -v ---- this tools version                                  |\n"
    "|                                                              |\n"
    "| example:                                                     |\n"
    "|   blobsmith --list -i res.bin                                |\n"
    "================================================================\n";

const char kVerifyBox[] =
    "================================================================\n"
    "|                                                              |\n"
    "| Usage:                                                       |\n"
    "| blobsmith --verify -i input_file                             |\n"
    "|  -i ---- input file name, default is \"res.bin\"               |\n"
    "|  -v ---- this tools version                                  |\n"
    "|                                                              |\n"
    "| example:                                                     |\n"
    "|   blobsmith --verify -i res.bin                              |\n"
    "================================================================\n";

TEST(UsageBoxes, ExactText) {
  EXPECT_EQ(pack_usage_text(), kPackBox);
  EXPECT_EQ(unpack_usage_text(), kUnpackBox);
  start_capture();
  print_list_usage();
  EXPECT_EQ(finish_capture(), kListBox);
  start_capture();
  print_verify_usage();
  EXPECT_EQ(finish_capture(), kVerifyBox);
  start_capture();
  print_version_line();
  EXPECT_EQ(finish_capture(), "blobsmith 0.1.0\n");
}

TEST(FindMode, FirstExactModeWordWins) {
  struct Case {
    std::vector<const char*> args;
    Mode mode;
  };
  const Case cases[] = {
      {{}, MODE_NONE},
      {{"--PACK", "-pack", "pack", "--pack=1", "--unpack "}, MODE_NONE},
      {{"-i", "res", "--pack"}, MODE_PACK},
      {{"--unpack", "--pack"}, MODE_UNPACK},
      {{"-o", "--pack", "--unpack"}, MODE_PACK},
      {{"--list"}, MODE_LIST},
      {{"-i", "x.bin", "--verify"}, MODE_VERIFY},
      {{"--LIST", "-list", "--verify=", "--Verify", " --list"}, MODE_NONE},
      {{"--verify", "--pack"}, MODE_VERIFY},
      {{"--unpack", "--list"}, MODE_UNPACK},
      {{"-i", "--list", "--verify"}, MODE_LIST},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv = {"blobsmith"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    argv.push_back(nullptr);
    EXPECT_EQ(find_mode(argv.data()), c.mode) << c.args.size();
  }
}

TEST(RunCommandLine, NoModeShowsBothBoxesAndExitsZero) {
  ScopedTempDir temp;
  int status = 1;
  EXPECT_EQ(run_tool({}, &status), std::string(kPackBox) + kUnpackBox);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(run_tool({"--PACK", "-v"}, &status), std::string(kPackBox) + kUnpackBox);
  EXPECT_EQ(status, 0);
  // A failing unpack still exits with 0.
  EXPECT_EQ(run_tool({"--unpack", "--pack"}, &status), std::string(kUnpackBox) + "res.bin open failed !!!\n");
  EXPECT_EQ(status, 0);
}

}  // namespace
