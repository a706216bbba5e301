// Every seam call of a pack run and of an unpack run with one thread, where
// call order is fixed, failed in turn (reads and writes also cut short). The
// run says so and its status tells the truth: 0 only with exactly a clean
// run's result, 1 with a pack --verify finds sound,
// 2 with the earlier pack as it was; never a temporary file left behind.
// Also the injector's keyed plans, and the positional calls from threads.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "inspect/verify.h"
#include "platform/io.h"
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
      {"--pack", "-j", "1", "-o", "out.bin"}, [] { write_file("out.bin", "earlier"); },
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
      {"--unpack", "-j", "1", "-i", "clean.bin", "-o", "out/deep"},
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

// At -j 4 calls come in no fixed order, so each fault is keyed by member and
// operation: it is reported by exactly its line, once, the status is 1, and
// every other member comes out as a clean run makes it.
TEST(InjectedFaults, ThreadedRunsReportEachKeyedFaultOnce) {
  ScopedTempDir temp;
  // Sizes below, at and past a block, and one past the gathered writes.
  const std::vector<std::pair<std::string, size_t>> members = {
      {"a.bin", 0},        {"b.bin", 511},      {"d/c.bin", 512},
      {"d/e.bin", 131073}, {"d/f/g.bin", 1025}, {"h/i.bin", 513}};
  for (size_t m = 0; m < members.size(); ++m) {
    write_file("res/" + members[m].first, pattern_bytes(members[m].second, unsigned(m)));
  }
  const auto entry_name = [](std::string name) {
    for (char& c : name) c = c == '/' ? '\\' : c;
    return name;
  };
  const auto leaf = [](const std::string& name) { return name.substr(name.rfind('/') + 1); };
  // The others, unpacked by one thread with no fault, are the sources.
  const auto others_whole = [&](const std::string& pack, const size_t faulty) {
    fault_reset();
    EXPECT_EQ(std::system("rm -rf check"), 0);
    run_tool({"--unpack", "-q", "-j", "1", "-i", pack, "-o", "check"});
    for (size_t m = 0; m < members.size(); ++m) {
      if (m == faulty) continue;
      EXPECT_TRUE(read_file("check/" + members[m].first) == read_file("res/" + members[m].first))
          << members[m].first;
    }
  };
  struct Case {
    FaultCall call;
    FaultMode mode;
    const char* said;  // the line's end; it starts with the member's name
    bool reads;        // an empty member makes no such call
  };
  const Case pack_cases[] = {{FAULT_OPEN, FAULT_ERROR, " open failed !!!\n", false},
                             {FAULT_STATUS, FAULT_ERROR, " open failed !!!\n", false},
                             {FAULT_READ, FAULT_SHORT, " read failed !!!\n", true},
                             {FAULT_READ, FAULT_ERROR, " read failed !!!\n", true}};
  const Case unpack_cases[] = {{FAULT_OUT_CREATE, FAULT_ERROR, " open failed !!!\n", false},
                               {FAULT_WRITE_AT, FAULT_SHORT, " write failed !!!\n", true},
                               {FAULT_CLOSE, FAULT_ERROR, " write failed !!!\n", false}};
  setenv("SOURCE_DATE_EPOCH", "1767323040", 1);
  run_tool({"--pack", "-q", "-j", "4", "-o", "clean.bin"});
  int fired = 0;
  for (size_t m = 0; m < members.size(); ++m) {
    for (const Case& c : pack_cases) {
      if (c.reads && members[m].second == 0) continue;
      SCOPED_TRACE(members[m].first + " pack call " + std::to_string(c.call));
      fault_reset();
      fault_plan_for(c.call, leaf(members[m].first).c_str(), c.mode);
      int status = -1;
      const std::string lines = run_tool({"--pack", "-q", "-j", "4", "-o", "out.bin"}, &status);
      EXPECT_EQ(fault_fired_count(), 1);
      fired += fault_fired_count();
      EXPECT_EQ(status, 1);
      EXPECT_EQ(lines.substr(0, lines.find("crc=")), entry_name(members[m].first) + c.said);
      others_whole("out.bin", m);
    }
    for (const Case& c : unpack_cases) {
      if (c.reads && members[m].second == 0) continue;
      SCOPED_TRACE(members[m].first + " unpack call " + std::to_string(c.call));
      EXPECT_EQ(std::system("rm -rf out"), 0);
      fault_reset();
      fault_plan_for(c.call, leaf(members[m].first).c_str(), c.mode);
      int status = -1;
      const std::string lines =
          run_tool({"--unpack", "-q", "-j", "4", "-i", "clean.bin", "-o", "out"}, &status);
      EXPECT_EQ(fault_fired_count(), 1);
      fired += fault_fired_count();
      EXPECT_EQ(status, 1);
      const std::string named =
          c.call == FAULT_OUT_CREATE ? entry_name(members[m].first) : "out/" + members[m].first;
      EXPECT_EQ(lines, named + c.said);
      for (size_t other = 0; other < members.size(); ++other) {
        if (other == m) continue;
        EXPECT_TRUE(read_file("out/" + members[other].first) ==
                    read_file("res/" + members[other].first));
      }
    }
  }
  unsetenv("SOURCE_DATE_EPOCH");
  EXPECT_EQ(fired, 6 * 4 - 2 + 6 * 3 - 1);
}

// Positional reads and writes from several threads at once: every call is
// counted, a keyed fault lands on its file whichever thread makes the call,
// a write cut short leaves half its bytes and fails the close, and the
// file's position is never moved.
TEST(InjectedFaults, PositionalCallsFromThreads) {
  ScopedTempDir temp;
  constexpr int kThreads = 4;
  constexpr int kPiecesEach = 8;
  constexpr size_t kPiece = 40000;  // not a multiple of any block size
  const std::string bytes = pattern_bytes(kThreads * kPiecesEach * kPiece, 3);
  const auto piece_offset = [&](const int thread, const int piece) {
    return static_cast<int64_t>(static_cast<size_t>(piece * kThreads + thread) * kPiece);
  };
  fault_reset();
  write_file("sub/.keep", "");
  IoFile* file = io_create_new("sub/whole.bin", 0644, 0);  // known as whole.bin
  IoFile* other = io_create_new("other.bin", 0644, 0);
  ASSERT_NE(file, nullptr);
  ASSERT_NE(other, nullptr);
  fault_plan_for(FAULT_WRITE_AT, "other.bin", FAULT_SHORT);
  fault_plan_for(FAULT_READ_AT, "whole.bin", FAULT_SHORT);
  ASSERT_EQ(io_write(bytes.data(), 1, 10, file), 10u);  // the position is then 10

  std::vector<std::thread> threads;
  std::vector<int> written(kThreads, 0);
  for (int thread = 0; thread < kThreads; ++thread) {
    threads.emplace_back([&, thread] {
      for (int piece = 0; piece < kPiecesEach; ++piece) {
        const int64_t at = piece_offset(thread, piece);
        written[static_cast<size_t>(thread)] +=
            io_write_at(file, bytes.data() + at, kPiece, at) == 0;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  threads.clear();
  EXPECT_EQ(written, std::vector<int>(kThreads, kPiecesEach));
  EXPECT_EQ(fault_count(FAULT_WRITE_AT), kThreads * kPiecesEach);
  EXPECT_EQ(io_tell(file), 10);

  // One read comes back half: the keyed plan; all the others whole.
  std::vector<std::string> read(kThreads * kPiecesEach);
  for (int thread = 0; thread < kThreads; ++thread) {
    threads.emplace_back([&, thread] {
      for (int piece = 0; piece < kPiecesEach; ++piece) {
        std::string& into = read[static_cast<size_t>(piece * kThreads + thread)];
        into.resize(kPiece);
        into.resize(io_read_at(file, &into[0], kPiece, piece_offset(thread, piece)));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  int halves = 0;
  for (size_t piece = 0; piece < read.size(); ++piece) {
    const size_t length = read[piece].size();
    EXPECT_TRUE(length == kPiece || length == kPiece / 2) << piece << ": " << length;
    halves += length == kPiece / 2;
    EXPECT_EQ(read[piece], bytes.substr(piece * kPiece, length)) << piece;
  }
  EXPECT_EQ(halves, 1);
  EXPECT_EQ(fault_count(FAULT_READ_AT), kThreads * kPiecesEach);

  // The end of the file ends a read; the buffered bytes go out at close.
  std::string tail(100, '\0');
  EXPECT_EQ(io_read_at(file, &tail[0], tail.size(), static_cast<int64_t>(bytes.size()) - 30), 30u);
  EXPECT_EQ(tail.substr(0, 30), bytes.substr(bytes.size() - 30));
  EXPECT_EQ(io_read_at(file, &tail[0], tail.size(), static_cast<int64_t>(bytes.size())), 0u);
  EXPECT_EQ(io_close(file), 0);
  EXPECT_TRUE(read_file("sub/whole.bin") == bytes);

  EXPECT_EQ(io_write_at(other, bytes.data(), 1000, 0), -1);
  EXPECT_EQ(io_write_at(other, bytes.data(), 10, 2000), 0);  // the plan has fired
  EXPECT_EQ(io_close(other), -1);
  EXPECT_TRUE(read_file("other.bin") ==
              bytes.substr(0, 500) + std::string(1500, '\0') + bytes.substr(0, 10));
  EXPECT_EQ(fault_fired_count(), 2);

  // A write the system refuses (beyond the file-size limit) fails the close
  // too.
  IoFile* big = io_create_new("big.bin", 0644, 0);
  ASSERT_NE(big, nullptr);
  struct rlimit limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  const struct rlimit small = {4096, limit.rlim_max};
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const int beyond = io_write_at(big, bytes.data(), 100, 5000);
  const int within = io_write_at(big, bytes.data(), 100, 0);
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(beyond, -1);
  EXPECT_EQ(within, 0);
  EXPECT_EQ(io_close(big), -1);
}

}  // namespace
}  // namespace blobsmith
