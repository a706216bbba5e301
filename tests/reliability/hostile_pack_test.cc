// Packs made to hurt the extractor: names that climb out of the output
// directory or collide, counts, offsets and sizes at and beyond their
// limits, packs cut short, entries that share their blocks. Each run must
// end, print exactly its lines, leave everything outside the output
// directory as it was, and write no more than the pack holds plus one block
// per member.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "reliability/tree_snapshot.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

// Four blocks of member data, at block 260.
const std::string& data_blocks() {
  static const std::string data = pattern_bytes(4 * PACK_BLOCK_SIZE, 11);
  return data;
}

constexpr uint32_t kFirstDataBlock = PACK_DATA_FIRST_BLOCK;

std::string one_entry_pack(const std::string& name, const uint32_t start_block,
                           const int32_t byte_size) {
  return build_pack_image(1, {{name, start_block, byte_size}}, data_blocks());
}

struct Outcome {
  std::string output;
  std::vector<std::string> tree;             // below out, sorted
  std::map<std::string, std::string> files;  // the bytes of each file below out
};

int g_hostile_inputs = 0;

// Prints how many hostile packs the process tried, once all tests ran.
class HostileCount : public testing::Environment {
 public:
  void TearDown() override {
    if (g_hostile_inputs > 0) std::fprintf(stderr, "[hostile] %d packs tried\n", g_hostile_inputs);
  }
};
testing::Environment* const g_hostile_count = testing::AddGlobalTestEnvironment(new HostileCount);

// Runs the extractor on image in a fresh directory that also holds a
// sentinel file and a directory beside the output, then checks what every
// hostile run must satisfy.
Outcome extract_hostile(const std::string& image, const std::string& out_dir = "out") {
  ++g_hostile_inputs;
  ScopedTempDir dir;
  write_file("sentinel.txt", "left alone\n");
  write_file("beside/keep.txt", "also left alone\n");
  write_file("res.bin", image);
  const auto before = snapshot_tree(".", "out");
  // A run that does not end within the alarm ends the test binary.
  alarm(120);
  Outcome outcome;
  outcome.output = run_tool({"--unpack", "-i", "res.bin", "-o", out_dir});
  alarm(0);
  EXPECT_EQ(snapshot_tree(".", "out"), before) << "something outside the output changed";
  if (fs::exists("out")) {
    int members = 0;
    if (image.size() >= PACK_HEADER_SIZE) {
      const int32_t count = static_cast<int32_t>(get_u32_le(
          reinterpret_cast<const unsigned char*>(image.data()) + HEADER_ENTRY_COUNT_AT));
      if (count >= 1 && count < PACK_MAX_ENTRIES) members = count;
    }
    EXPECT_LE(tree_file_bytes("out"),
              image.size() + static_cast<uint64_t>(members) * PACK_BLOCK_SIZE);
    outcome.tree = list_tree("out");
    for (const std::string& path : outcome.tree) {
      if (fs::is_regular_file(fs::symlink_status("out/" + path))) {
        outcome.files[path] = read_file("out/" + path);
      }
    }
  }
  return outcome;
}

std::string usage_then(const std::string& lines) { return unpack_usage_text() + lines; }

using Tree = std::vector<std::string>;

struct NameCase {
  const char* why;
  std::vector<PackImageEntry> entries;
  std::string lines;  // printed after the usage box
  Tree tree;
};

}  // namespace

TEST(HostilePack, NamesStayInsideTheOutputDirectory) {
  const std::string unterminated(PACK_NAME_FIELD_SIZE, 'n');
  const std::vector<NameCase> cases = {
      {"parent level", {{"..\\evil", 260, 10}}, "..\\evil unsafe name, skipped !!!\n", {}},
      {"parent level alone", {{"..", 260, 10}}, ".. unsafe name, skipped !!!\n", {}},
      {"deep parent levels",
       {{"a\\..\\..\\evil", 260, 10}},
       "a\\..\\..\\evil unsafe name, skipped !!!\n",
       {}},
      {"parent level, slashes", {{"a/../../evil", 260, 10}}, "a/../../evil unsafe name, skipped !!!\n", {}},
      {"parent level last", {{"a\\..", 260, 10}}, "a\\.. unsafe name, skipped !!!\n", {}},
      {"leading backslash", {{"\\evil", 260, 10}}, "\\evil unsafe name, skipped !!!\n", {}},
      {"leading slash", {{"/tmp/evil", 260, 10}}, "/tmp/evil unsafe name, skipped !!!\n", {}},
      {"drive, relative", {{"C:x", 260, 10}}, "C:x unsafe name, skipped !!!\n", {}},
      {"drive, absolute", {{"C:\\x", 260, 10}}, "C:\\x unsafe name, skipped !!!\n", {}},
      {"drive, slash", {{"c:/x", 260, 10}}, "c:/x unsafe name, skipped !!!\n", {}},
      {"server share",
       {{"\\\\server\\share\\x", 260, 10}},
       "\\\\server\\share\\x unsafe name, skipped !!!\n",
       {}},
      {"56 bytes, no zero", {{unterminated, 260, 10}},
       std::string(PACK_NAME_MAX_LENGTH, 'n') + " unsafe name, skipped !!!\n", {}},
      {"mixed separators", {{"a/b\\c", 260, 10}}, "", {"a", "a/b", "a/b/c"}},
      {"dot levels", {{".\\x\\.\\y", 260, 10}}, "", {"x", "x/y"}},
      {"dots in a level", {{"...\\..x", 260, 10}}, "", {"...", ".../..x"}},
      {"control bytes", {{"c\x01\x1b\x7f\n", 260, 10}}, "", {"c\x01\x1b\x7f\n"}},
      {"differ in case only", {{"Readme", 260, 10}, {"README", 260, 20}}, "", {"README", "Readme"}},
      {"file, then a level of the same name",
       {{"a", 260, 10}, {"a\\b", 260, 10}},
       "a\\b open failed !!!\n",
       {"a"}},
      {"level, then a file of the same name",
       {{"a\\b", 260, 10}, {"a", 260, 10}},
       "a open failed !!!\n",
       {"a", "a/b"}},
      {"zeroed entry", {{"", 0, 0}}, " open failed !!!\n", {}},
      {"trailing separator", {{"d\\", 260, 10}}, "d\\ open failed !!!\n", {"d"}},
      {"dot alone", {{".", 260, 10}}, ". open failed !!!\n", {}},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.why);
    const Outcome outcome =
        extract_hostile(build_pack_image(static_cast<int32_t>(c.entries.size()), c.entries, data_blocks()));
    EXPECT_EQ(outcome.output, usage_then(c.lines));
    EXPECT_EQ(outcome.tree, c.tree);
  }
}

TEST(HostilePack, EntryCountOutsideOneTo2047ExtractsNothing) {
  for (const int32_t count : {INT_MIN, -1, 0, 2048, INT_MAX}) {
    SCOPED_TRACE(count);
    const Outcome outcome = extract_hostile(build_pack_image(count, {{"x", 260, 10}}, data_blocks()));
    EXPECT_EQ(outcome.output, usage_then(""));
    EXPECT_FALSE(fs::exists("out"));
    EXPECT_TRUE(outcome.tree.empty());
  }
}

TEST(HostilePack, EntryCountOneAnd2047) {
  Outcome outcome = extract_hostile(build_pack_image(1, {{"x", 260, 10}}, data_blocks()));
  EXPECT_EQ(outcome.output, usage_then(""));
  EXPECT_EQ(outcome.tree, Tree{"x"});
  // The 2046 slots past the one written entry are zero: each is an entry
  // with an empty name, whose open fails.
  std::string lines;
  for (int i = 1; i < 2047; ++i) lines += " open failed !!!\n";
  outcome = extract_hostile(build_pack_image(2047, {{"x", 260, 10}}, data_blocks()));
  EXPECT_EQ(outcome.output, usage_then(lines));
  EXPECT_EQ(outcome.tree, Tree{"x"});
}

TEST(HostilePack, StartBlockAnywhere) {
  const std::string image_at_0 = one_entry_pack("x", 0, 10);
  struct Case {
    uint32_t start_block;
    bool read_fails;
  };
  const uint32_t end_block = static_cast<uint32_t>(image_at_0.size() / PACK_BLOCK_SIZE);
  for (const Case c : {Case{0, false}, Case{259, false}, Case{end_block, true},
                       Case{1u << 22, true}, Case{1u << 31, false}}) {
    SCOPED_TRACE(c.start_block);
    const std::string image = one_entry_pack("x", c.start_block, 10);
    const Outcome outcome = extract_hostile(image);
    EXPECT_EQ(outcome.output, usage_then(c.read_fails ? "x read failed !!!\n" : ""));
    ASSERT_EQ(outcome.tree, Tree{"x"});
    // 2^31 blocks wrap to offset 0 in 32 bits; 2^22 blocks give a
    // negative offset, which is never read.
    const uint32_t offset = c.start_block * static_cast<uint32_t>(PACK_BLOCK_SIZE);
    const std::string expected =
        c.read_fails ? std::string(10, '\0') : image.substr(offset, 10);
    EXPECT_TRUE(outcome.files.at("x") == expected);
  }
}

TEST(HostilePack, ByteSizeAnything) {
  const std::string& data = data_blocks();
  for (const int32_t size : {INT_MIN, -1, 0}) {
    SCOPED_TRACE(size);
    const Outcome outcome = extract_hostile(one_entry_pack("x", kFirstDataBlock, size));
    EXPECT_EQ(outcome.output, usage_then(""));
    ASSERT_EQ(outcome.tree, Tree{"x"});
    EXPECT_EQ(outcome.files.at("x"), "");
  }
  for (const int32_t size : {1, 511, 512, 513, 2048}) {
    SCOPED_TRACE(size);
    const Outcome outcome = extract_hostile(one_entry_pack("x", kFirstDataBlock, size));
    EXPECT_EQ(outcome.output, usage_then(""));
    ASSERT_EQ(outcome.tree, Tree{"x"});
    EXPECT_TRUE(outcome.files.at("x") == data.substr(0, static_cast<size_t>(size)));
  }
  // Beyond the file: every block the pack holds, then the piece whose read
  // fails, written as zeros (a 1-byte tail for 2049, a whole block for the
  // others), and no more.
  for (const int32_t size : {2049, 1000000, INT_MAX}) {
    SCOPED_TRACE(size);
    const Outcome outcome = extract_hostile(one_entry_pack("x", kFirstDataBlock, size));
    EXPECT_EQ(outcome.output, usage_then("x read failed !!!\n"));
    ASSERT_EQ(outcome.tree, Tree{"x"});
    const std::string expected = data + std::string(size == 2049 ? 1 : PACK_BLOCK_SIZE, '\0');
    EXPECT_TRUE(outcome.files.at("x") == expected) << outcome.files.at("x").size() << " bytes";
  }
}

TEST(HostilePack, CutAtEveryBlockBoundary) {
  const std::vector<PackImageEntry> entries = {
      {"a", 260, 700}, {"b", 262, 0}, {"c\\d", 262, 512}};
  const std::string full = build_pack_image(3, entries, pattern_bytes(3 * PACK_BLOCK_SIZE, 5));
  for (size_t cut = 0; cut <= full.size(); cut += PACK_BLOCK_SIZE) {
    SCOPED_TRACE(cut);
    // What the extractor must say for this cut: a missing header counts as
    // zero entries; each missing reserved block or entry is a read failure
    // of the pack, and a missing entry reads as all zero; each member whose
    // bytes are cut off fails once.
    std::string lines;
    const bool header = cut >= PACK_HEADER_SIZE;
    if (!header) lines += "res.bin read header failed !!!\n";
    for (size_t block = 1; block <= 3; ++block) {
      if (cut < (block + 1) * PACK_BLOCK_SIZE) lines += "res.bin read failed !!!\n";
    }
    if (header) {
      for (size_t i = 0; i < entries.size(); ++i) {
        if (cut < PACK_TABLE_OFFSET + (i + 1) * PACK_ENTRY_SIZE) lines += "res.bin read failed !!!\n";
      }
      for (size_t i = 0; i < entries.size(); ++i) {
        if (cut < PACK_TABLE_OFFSET + (i + 1) * PACK_ENTRY_SIZE) {
          lines += " open failed !!!\n";
        } else if (entries[i].byte_size > 0 &&
                   cut < entries[i].start_block * size_t{PACK_BLOCK_SIZE} +
                             static_cast<size_t>(entries[i].byte_size)) {
          lines += entries[i].name + " read failed !!!\n";
        }
      }
    }
    const Outcome outcome = extract_hostile(full.substr(0, cut));
    EXPECT_EQ(outcome.output, usage_then(lines));
  }
}

TEST(HostilePack, EntriesSharingTheirBlocks) {
  std::vector<PackImageEntry> entries;
  for (int i = 0; i < PACK_MAX_USABLE_ENTRIES; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%04d", i);
    entries.push_back({name, kFirstDataBlock, PACK_BLOCK_SIZE});
  }
  const Outcome outcome = extract_hostile(build_pack_image(PACK_MAX_USABLE_ENTRIES, entries, data_blocks()));
  EXPECT_EQ(outcome.output, usage_then(""));
  EXPECT_EQ(outcome.tree.size(), static_cast<size_t>(PACK_MAX_USABLE_ENTRIES));
  for (const auto& [path, bytes] : outcome.files) {
    EXPECT_TRUE(bytes == data_blocks().substr(0, PACK_BLOCK_SIZE)) << path;
  }
}

TEST(HostilePack, OutputPathsThatCannotBeBuilt) {
  // 460 + "/" + 55 characters would not fit a path buffer.
  const std::string long_dir(460, 'd');
  const std::string long_name(PACK_NAME_MAX_LENGTH, 'm');
  Outcome outcome = extract_hostile(one_entry_pack(long_name, kFirstDataBlock, 10), long_dir);
  EXPECT_EQ(outcome.output, usage_then(long_name + " path name is too long, skipped !!!\n"));
  outcome = extract_hostile(one_entry_pack("x", kFirstDataBlock, 10), "");
  EXPECT_EQ(outcome.output, usage_then("empty output directory name, nothing extracted !!!\n"));
}
