// Every seam call of a pack run and of an unpack run is failed in turn, as
// an error and (for reads and writes) as a short transfer. For each fault
// the run must print the line that belongs to it, go on to the end, keep
// everything it already wrote and exit with 0.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/fault_io.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

// The reference tree: members of 0, 512 and 1025 bytes, one in a
// subdirectory. Sorted, they are empty.bin, full.bin, sub/odd.bin.
struct Member {
  const char* path;  // below res, "/" between levels
  const char* name;  // as stored in the pack
  size_t size;
};
const Member kMembers[] = {
    {"empty.bin", "empty.bin", 0},
    {"full.bin", "full.bin", 512},
    {"sub/odd.bin", "sub\\odd.bin", 1025},
};

std::string member_bytes(const Member& member) {
  return pattern_bytes(member.size, static_cast<unsigned>(member.size) + 7);
}

void make_reference_tree() {
  for (const Member& member : kMembers) write_file("res/" + std::string(member.path), member_bytes(member));
}

const Member* member_at_source(const std::string& path) {
  for (const Member& member : kMembers) {
    if (path == "res/" + std::string(member.path)) return &member;
  }
  return nullptr;
}

const Member* member_at_output(const std::string& path) {
  for (const Member& member : kMembers) {
    if (path == "out/" + std::string(member.path)) return &member;
  }
  return nullptr;
}

// The checksum line depends on the time stamp, so it is compared masked.
std::string mask_checksum(const std::string& output) {
  return std::regex_replace(output, std::regex("crc=0x[0-9a-f]{8}"), "crc=0x........");
}

// Where the injector reports the failed call.
size_t failed_index(const std::vector<FaultRecord>& log) {
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i].failed) return i;
  }
  return log.size();
}

// The source file open at log index i of a pack run, or "".
std::string open_source_at(const std::vector<FaultRecord>& log, const size_t i) {
  std::string source;
  for (size_t j = 0; j < i; ++j) {
    if (log[j].call == FAULT_OPEN && log[j].file_mode == "rb") source = log[j].path;
    if (log[j].call == FAULT_CLOSE && log[j].file_mode == "rb") source = "";
  }
  return source;
}

// What a failed call of a pack run must print. An empty line means the
// tool does not report this failure: it has no effect on the pack, or the
// tool's rules do not examine the call (directory searches), and is
// checked separately.
std::string expected_pack_line(const std::vector<FaultRecord>& log, const size_t i) {
  const FaultRecord& r = log[i];
  const Member* source = member_at_source(r.path);
  const std::string name = source != nullptr ? source->name : "";
  switch (r.call) {
    case FAULT_OPEN:
      if (r.file_mode == "rb") return name + " open failed !!!\n";
      if (r.file_mode == "wb") return "res.bin open failed !!!\n";
      return "add crc open file error.\n";
    case FAULT_READ:
      if (r.file_mode == "rb") return name + " read failed !!!\n";
      return r.ordinal_on_file == 1 ? "add crc read header error.\n" : "add crc, read file error\n";
    case FAULT_WRITE: {
      if (r.file_mode == "rb+") return "add crc write failed !!!\n";
      const std::string open_source = open_source_at(log, i);
      return (open_source.empty() ? "res.bin" : open_source) + " write failed !!!\n";
    }
    case FAULT_SEEK:
      if (r.file_mode == "rb") {
        if (r.origin == SEEK_END) return name + " is too large for a pack file, skipped !!!\n";
        return source->size > 0 ? name + " read failed !!!\n" : "";
      }
      if (r.file_mode == "wb") return "res.bin write failed !!!\n";
      // The length query and the rewind come first, then the seek to append.
      return r.ordinal_on_file <= 2 ? "add crc, read file error\n" : "add crc write failed !!!\n";
    case FAULT_TELL:
      if (r.file_mode == "rb") return name + " is too large for a pack file, skipped !!!\n";
      if (r.file_mode == "wb") {
        return member_at_source(open_source_at(log, i))->name +
               std::string(" is too large for a pack file, skipped !!!\n");
      }
      return "add crc, read file error\n";  // no length: nothing to fold
    case FAULT_CLOSE:
      if (r.file_mode == "rb") return "";
      if (r.file_mode == "wb") return "res.bin write failed !!!\n";
      return "add crc write failed !!!\n";
    default:
      return "";
  }
}

// Checks that every member of the reference tree not named in skip stands
// below dir byte for byte.
void expect_members_intact(const std::string& dir, const std::string& skip) {
  for (const Member& member : kMembers) {
    if (skip.find(member.name) != std::string::npos ||
        skip.find(member.path) != std::string::npos) {
      continue;
    }
    EXPECT_EQ(read_file(dir + "/" + member.path), member_bytes(member)) << member.path;
  }
}

// Checks that no file was cut back below what the run wrote into it.
void expect_nothing_removed() {
  for (const auto& [path, extent] : fault_written_extent()) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    ASSERT_FALSE(error) << path << " is gone";
    EXPECT_GE(static_cast<int64_t>(size), extent) << path;
  }
}

std::string describe(const FaultRecord& r, const int nth, const FaultMode mode) {
  return std::string(fault_call_name(r.call)) + " #" + std::to_string(nth) +
         (mode == FAULT_SHORT ? " (short)" : " (error)") + " on '" + r.path + "' " + r.file_mode;
}

// Fails each call of one kind in a pack run of the reference tree.
int sweep_pack_run(const FaultCall call, const FaultMode mode) {
  ScopedTempDir dir;
  make_reference_tree();
  fault_reset();
  const std::string clean = mask_checksum(run_tool({"--pack"}));
  const int calls = fault_count(call);
  EXPECT_GT(calls, 0) << fault_call_name(call) << " is never called";
  int injected = 0;
  for (int nth = 1; nth <= calls; ++nth) {
    fs::remove("res.bin");
    fs::remove_all("check");
    fault_reset();
    fault_plan(call, nth, mode);
    int status = -1;
    const std::string output = run_tool({"--pack"}, &status);
    const std::vector<FaultRecord> log = fault_log();
    const size_t i = failed_index(log);
    if (i == log.size()) {
      ADD_FAILURE() << fault_call_name(call) << " #" << nth << " was never reached";
      continue;
    }
    ++injected;
    SCOPED_TRACE(describe(log[i], nth, mode));
    EXPECT_EQ(status, 0);
    expect_nothing_removed();
    const std::string line = expected_pack_line(log, i);
    const FaultRecord& r = log[i];
    const bool source_side = r.file_mode == "rb";
    if (!line.empty()) {
      EXPECT_NE(output.find(line), std::string::npos) << "expected: " << line << "got:\n" << output;
      if (source_side) {
        // The pack is complete apart from the member that failed.
        EXPECT_NE(output.find("crc=0x"), std::string::npos);
        fault_reset();
        run_tool({"--unpack", "-o", "check"});
        expect_members_intact("check", line);
      }
    } else if (r.call == FAULT_DIR_OPEN || r.call == FAULT_DIR_NEXT) {
      // A directory that cannot be searched adds nothing, silently: the
      // pack, if any, holds a part of the tree, each member whole.
      EXPECT_EQ(output.find("!!!"), std::string::npos) << output;
      if (fs::exists("res.bin")) {
        fault_reset();
        run_tool({"--unpack", "-o", "check"});
        for (const std::string& path : list_tree("check")) {
          if (fs::is_directory("check/" + path)) continue;
          EXPECT_EQ(read_file("check/" + path), read_file("res/" + path)) << path;
        }
      }
    } else {
      // A failure with no effect: the run is the clean run.
      EXPECT_EQ(mask_checksum(output), clean);
      fault_reset();
      run_tool({"--unpack", "-o", "check"});
      expect_members_intact("check", "");
    }
  }
  fault_reset();
  return injected;
}

// What a failed call of an unpack of the reference pack must print; empty
// for a failure with no effect.
std::string expected_unpack_line(const std::vector<FaultRecord>& log, const size_t i,
                                 const int entry_count) {
  const FaultRecord& r = log[i];
  // The member a pack-side call works for: the one being created (seek and
  // directory calls come before its creation, reads after it).
  const Member* next_member = nullptr;
  for (size_t j = i; j < log.size() && next_member == nullptr; ++j) {
    if (log[j].call == FAULT_CREATE) next_member = member_at_output(log[j].path);
  }
  const Member* last_member = nullptr;
  for (size_t j = 0; j < i; ++j) {
    if (log[j].call == FAULT_CREATE) last_member = member_at_output(log[j].path);
  }
  switch (r.call) {
    case FAULT_OPEN:
      return "res.bin open failed !!!\n";
    case FAULT_CREATE:
      return member_at_output(r.path)->name + std::string(" open failed !!!\n");
    case FAULT_READ:
      if (r.ordinal_on_file == 1) return "res.bin read header failed !!!\n";
      if (r.ordinal_on_file <= 4 + entry_count) return "res.bin read failed !!!\n";
      return last_member->name + std::string(" read failed !!!\n");
    case FAULT_WRITE:
      return r.path + " write failed !!!\n";
    case FAULT_SEEK:
      return next_member->size > 0 ? next_member->name + std::string(" read failed !!!\n") : "";
    case FAULT_CLOSE:
      return r.file_mode == "member" ? r.path + " write failed !!!\n" : "";
    case FAULT_MAKE_DIR:
      return next_member->name + std::string(" open failed !!!\n");
    default:
      return "";
  }
}

// Fails each call of one kind in an unpack run of the reference pack.
int sweep_unpack_run(const FaultCall call, const FaultMode mode) {
  ScopedTempDir dir;
  make_reference_tree();
  fault_reset();
  run_tool({"--pack"});
  const std::string pack = read_file("res.bin");
  fault_reset();
  const std::string clean = run_tool({"--unpack", "-o", "out"});
  expect_members_intact("out", "");
  const int calls = fault_count(call);
  EXPECT_GT(calls, 0) << fault_call_name(call) << " is never called";
  const int entry_count = static_cast<int>(std::size(kMembers));
  int injected = 0;
  for (int nth = 1; nth <= calls; ++nth) {
    fs::remove_all("out");
    fault_reset();
    fault_plan(call, nth, mode);
    int status = -1;
    const std::string output = run_tool({"--unpack", "-o", "out"}, &status);
    const std::vector<FaultRecord> log = fault_log();
    const size_t i = failed_index(log);
    if (i == log.size()) {
      ADD_FAILURE() << fault_call_name(call) << " #" << nth << " was never reached";
      continue;
    }
    ++injected;
    SCOPED_TRACE(describe(log[i], nth, mode));
    EXPECT_EQ(status, 0);
    expect_nothing_removed();
    EXPECT_EQ(read_file("res.bin"), pack) << "the pack was changed";
    const std::string line = expected_unpack_line(log, i, entry_count);
    if (line.empty()) {
      EXPECT_EQ(output, clean);
      expect_members_intact("out", "");
      continue;
    }
    EXPECT_NE(output.find(line), std::string::npos) << "expected: " << line << "got:\n" << output;
    // A failed open, header or table read leaves nothing or garbage to
    // extract; any later failure touches one member only.
    const bool before_members =
        log[i].call == FAULT_OPEN ||
        (log[i].call == FAULT_READ && log[i].file_mode == "rb" &&
         log[i].ordinal_on_file <= 4 + entry_count);
    if (!before_members) expect_members_intact("out", line);
  }
  fault_reset();
  return injected;
}

void report(const char* what, const int injected) {
  std::fprintf(stderr, "[faults] %s: %d injected\n", what, injected);
  testing::Test::RecordProperty("faults_injected", injected);
}

}  // namespace

TEST(InjectedFaults, PackRunSurvivesFailedOpens) {
  report("pack io_open", sweep_pack_run(FAULT_OPEN, FAULT_ERROR));
}

TEST(InjectedFaults, PackRunSurvivesFailedReads) {
  report("pack io_read", sweep_pack_run(FAULT_READ, FAULT_ERROR) +
                             sweep_pack_run(FAULT_READ, FAULT_SHORT));
}

TEST(InjectedFaults, PackRunSurvivesFailedWrites) {
  report("pack io_write", sweep_pack_run(FAULT_WRITE, FAULT_ERROR) +
                              sweep_pack_run(FAULT_WRITE, FAULT_SHORT));
}

TEST(InjectedFaults, PackRunSurvivesFailedSeeksAndTells) {
  report("pack io_seek/io_tell", sweep_pack_run(FAULT_SEEK, FAULT_ERROR) +
                                     sweep_pack_run(FAULT_TELL, FAULT_ERROR));
}

TEST(InjectedFaults, PackRunSurvivesFailedCloses) {
  report("pack io_close", sweep_pack_run(FAULT_CLOSE, FAULT_ERROR));
}

TEST(InjectedFaults, PackRunSurvivesFailedDirectorySearches) {
  report("pack dir_search", sweep_pack_run(FAULT_DIR_OPEN, FAULT_ERROR) +
                                sweep_pack_run(FAULT_DIR_NEXT, FAULT_ERROR));
}

TEST(InjectedFaults, UnpackRunSurvivesEveryFailedCall) {
  int injected = 0;
  for (const FaultCall call : {FAULT_OPEN, FAULT_CREATE, FAULT_READ, FAULT_WRITE, FAULT_SEEK,
                               FAULT_CLOSE, FAULT_MAKE_DIR}) {
    injected += sweep_unpack_run(call, FAULT_ERROR);
    if (call == FAULT_READ || call == FAULT_WRITE) injected += sweep_unpack_run(call, FAULT_SHORT);
  }
  report("unpack, every kind", injected);
}

TEST(InjectedFaults, FailedSeekToTheSourceEndIsReported) {
  // The writer used to take the source's length from the position after a
  // seek to its end without looking at the seek: when the seek failed, the
  // position was 0 and the member was stored empty with no line at all.
  ScopedTempDir dir;
  make_reference_tree();
  fault_reset();
  fault_plan(FAULT_SEEK, 3, FAULT_ERROR);  // the first seek on res/full.bin
  const std::string output = run_tool({"--pack"});
  ASSERT_TRUE(fault_fired());
  fault_reset();
  EXPECT_EQ(mask_checksum(output), pack_usage_text() +
                                       "full.bin is too large for a pack file, skipped !!!\n"
                                       "crc=0x........\n");
  fs::remove_all("res");
  EXPECT_EQ(run_tool({"--unpack"}), unpack_usage_text() + " open failed !!!\n");
  EXPECT_EQ(read_file("res/sub/odd.bin"), member_bytes(kMembers[2]));
}
