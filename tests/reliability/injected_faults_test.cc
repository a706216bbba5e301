// Every seam call of a pack run and of an unpack run is failed in turn, as
// an error and (reads and writes) as a short transfer. Whatever fails, the
// run ends, says so in lines ending in "!!!", and its exit status tells the
// truth: 0 only when the result is exactly that of a run without the fault;
// 1 with a pack that --verify finds sound, or with the members that failed
// reported; 2 with any earlier pack left as it was. No temporary file is
// ever left behind and nothing outside the output changes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "inspect/verify.h"
#include "support/fault_io.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

void make_reference_tree() {
  write_file("res/empty.bin", "");
  write_file("res/full.bin", pattern_bytes(512, 1));
  write_file("res/sub/odd.bin", pattern_bytes(1025, 2));
  write_file("sentinel", "left alone");
}

// The lines after the usage box; each must be a checksum line or name a
// problem: end in "!!!" or be one of the checksum pass's own. Returns how
// many name a problem.
int problem_lines(const std::string& printed, const std::string& box) {
  EXPECT_EQ(printed.compare(0, box.size(), box), 0);
  std::istringstream lines(printed.substr(box.size()));
  int problems = 0;
  for (std::string line; std::getline(lines, line);) {
    const bool problem = (line.size() >= 3 && line.compare(line.size() - 3, 3, "!!!") == 0) ||
                         line.compare(0, 7, "add crc") == 0;
    EXPECT_TRUE(problem || line.compare(0, 6, "crc=0x") == 0) << line;
    problems += problem ? 1 : 0;
  }
  return problems;
}

struct Sweep {
  FaultCall call;
  FaultMode mode;
  int nth;
};

// Every planned fault of each kind a clean run of args made.
std::vector<Sweep> sweep_of(const std::vector<std::string>& args) {
  fault_reset();
  run_tool(args);
  std::vector<Sweep> sweep;
  for (int call = 0; call < FAULT_CALL_KINDS; ++call) {
    const int calls = fault_count(static_cast<FaultCall>(call));
    for (int nth = 1; nth <= calls; ++nth) {
      sweep.push_back({static_cast<FaultCall>(call), FAULT_ERROR, nth});
      if (call == FAULT_READ || call == FAULT_WRITE) {
        sweep.push_back({static_cast<FaultCall>(call), FAULT_SHORT, nth});
      }
    }
  }
  return sweep;
}

TEST(InjectedFaults, PackRunsTellTheTruth) {
  ScopedTempDir temp;
  make_reference_tree();
  setenv("SOURCE_DATE_EPOCH", "1767323040", 1);
  const std::vector<std::string> args = {"--pack", "-o", "out.bin"};
  write_file("out.bin", "earlier");
  const std::vector<Sweep> sweep = sweep_of(args);
  const std::string clean = read_file("out.bin");
  const std::vector<std::string> tree = list_tree(".");
  int fired = 0;
  for (const Sweep& fault : sweep) {
    SCOPED_TRACE(testing::Message() << "call " << fault.call << " #" << fault.nth << " mode "
                                    << fault.mode);
    write_file("out.bin", "earlier");
    fault_reset();
    fault_plan(fault.call, fault.nth, fault.mode);
    int status = -1;
    const std::string printed = run_tool(args, &status);
    fired += fault_fired() ? 1 : 0;
    const int problems = problem_lines(printed, usage_box("--pack"));
    EXPECT_EQ(list_tree("."), tree);
    EXPECT_EQ(read_file("sentinel"), "left alone");
    if (status == 0) {
      EXPECT_TRUE(read_file("out.bin") == clean);
      EXPECT_EQ(problems, 0);
    } else {
      EXPECT_GT(problems, 0);
    }
    if (status == 1) {
      fault_reset();
      testing::internal::CaptureStdout();
      EXPECT_EQ(verify_pack("out.bin").problems, 0);
      testing::internal::GetCapturedStdout();
    }
    if (status == 2) {
      EXPECT_EQ(read_file("out.bin"), "earlier");
    }
    EXPECT_TRUE(status >= 0 && status <= 2);
  }
  unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_GT(fired, 60);
}

TEST(InjectedFaults, UnpackRunsTellTheTruth) {
  ScopedTempDir temp;
  make_reference_tree();
  run_tool({"--pack", "-o", "res.bin"});
  const std::string pack = read_file("res.bin");
  const std::vector<std::string> args = {"--unpack", "-i", "res.bin", "-o", "out/deep"};
  const std::vector<Sweep> sweep = sweep_of(args);
  const std::vector<std::string> clean_tree = list_tree("out");
  const std::string clean_odd = read_file("out/deep/sub/odd.bin");
  int fired = 0;
  for (const Sweep& fault : sweep) {
    SCOPED_TRACE(testing::Message() << "call " << fault.call << " #" << fault.nth << " mode "
                                    << fault.mode);
    std::system("rm -rf out");
    fault_reset();
    fault_plan(fault.call, fault.nth, fault.mode);
    int status = -1;
    const std::string printed = run_tool(args, &status);
    fired += fault_fired() ? 1 : 0;
    const int problems = problem_lines(printed, usage_box("--unpack"));
    EXPECT_TRUE(read_file("res.bin") == pack);
    EXPECT_EQ(read_file("sentinel"), "left alone");
    if (status == 0) {
      EXPECT_EQ(list_tree("out"), clean_tree);
      EXPECT_TRUE(read_file("out/deep/sub/odd.bin") == clean_odd);
      EXPECT_EQ(problems, 0);
    } else {
      EXPECT_GT(problems, 0);
      EXPECT_TRUE(status == 1 || status == 2);
    }
  }
  EXPECT_GT(fired, 30);
}

}  // namespace
}  // namespace blobsmith
