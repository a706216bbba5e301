// Every seam call of a pack run and of an unpack run failed in turn (reads and
// writes also cut short). The run says so and its status tells the truth: 0
// only with exactly a clean run's result, 1 with a pack --verify finds sound,
// 2 with the earlier pack as it was; never a temporary file left behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "inspect/verify.h"
#include "support/fault_io.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

// The lines after the usage box: each a checksum line or a problem (ending
// in "!!!", or the checksum pass's own). Returns how many are problems.
int problem_lines(const std::string& printed, const std::string& box) {
  EXPECT_EQ(printed.compare(0, box.size(), box), 0);
  std::istringstream lines(printed.substr(box.size()));
  int problems = 0;
  for (std::string line; std::getline(lines, line);) {
    const bool problem = (line.size() >= 3 && line.compare(line.size() - 3, 3, "!!!") == 0) ||
                         line.compare(0, 7, "add crc") == 0;
    EXPECT_TRUE(problem || line.compare(0, 6, "crc=0x") == 0) << line;
    problems += problem;
  }
  return problems;
}

// Runs args clean, then with each call it made failed each way, prepare
// before every run; check sees the status and the number of problem lines.
// Returns the number of faults that fired.
int sweep(const std::vector<std::string>& args, const std::function<void()>& prepare,
          const std::function<void(int, int)>& check) {
  prepare();
  fault_reset();
  run_tool(args);
  int counts[FAULT_CALL_KINDS];
  for (int call = 0; call < FAULT_CALL_KINDS; ++call) counts[call] = fault_count(FaultCall(call));
  int fired = 0;
  for (int call = 0; call < FAULT_CALL_KINDS; ++call) {
    for (int nth = 1; nth <= counts[call]; ++nth) {
      for (const FaultMode mode : {FAULT_ERROR, FAULT_SHORT}) {
        if (mode == FAULT_SHORT && call != FAULT_READ && call != FAULT_WRITE) continue;
        SCOPED_TRACE(testing::Message() << "call " << call << " #" << nth << " mode " << mode);
        prepare();
        fault_reset();
        fault_plan(FaultCall(call), nth, mode);
        int status = -1;
        const std::string printed = run_tool(args, &status);
        fired += fault_fired() ? 1 : 0;
        EXPECT_TRUE(status >= 0 && status <= 2);
        check(status, problem_lines(printed, usage_box(args[0])));
      }
    }
  }
  return fired;
}

TEST(InjectedFaults, PackAndUnpackRunsTellTheTruth) {
  ScopedTempDir temp;
  write_file("res/empty.bin", "");
  write_file("res/full.bin", pattern_bytes(512, 1));
  write_file("res/sub/odd.bin", pattern_bytes(1025, 2));
  setenv("SOURCE_DATE_EPOCH", "1767323040", 1);
  run_tool({"--pack", "-o", "clean.bin"});
  const std::string clean = read_file("clean.bin");
  write_file("out.bin", "earlier");
  const std::vector<std::string> tree = list_tree(".");
  const int packs = sweep(
      {"--pack", "-o", "out.bin"}, [] { write_file("out.bin", "earlier"); },
      [&](const int status, const int problems) {
        EXPECT_EQ(list_tree("."), tree);  // out.bin and no temporary file
        EXPECT_EQ(problems == 0, status == 0);
        if (status != 1) {
          EXPECT_TRUE(read_file("out.bin") == (status == 0 ? clean : "earlier"));
        } else {
          fault_reset();
          testing::internal::CaptureStdout();
          EXPECT_EQ(verify_pack("out.bin").problems, 0);
          testing::internal::GetCapturedStdout();
        }
      });
  unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_GT(packs, 60);

  run_tool({"--unpack", "-i", "clean.bin", "-o", "want/deep"});
  const int unpacks = sweep(
      {"--unpack", "-i", "clean.bin", "-o", "out/deep"},
      [] { EXPECT_EQ(std::system("rm -rf out"), 0); },
      [&](const int status, const int problems) {
        EXPECT_TRUE(read_file("clean.bin") == clean);
        EXPECT_EQ(problems == 0, status == 0);
        if (status == 0) {
          EXPECT_EQ(list_tree("out"), list_tree("want"));
          EXPECT_TRUE(read_file("out/deep/sub/odd.bin") == read_file("want/deep/sub/odd.bin"));
        }
      });
  EXPECT_GT(unpacks, 25);
}

}  // namespace
}  // namespace blobsmith
