// Packs made to hurt the extractor, and output trees that would lead it
// astray: names that climb out or carry control bytes, counts, offsets and
// sizes at and past their limits, packs cut short, links, FIFOs, hard links
// and the pack itself in the way. Each run must print exactly its lines,
// return its status and change nothing outside the output directory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "format/pack_format.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

using Tree = std::vector<std::string>;

const std::string& data_blocks() {
  static const std::string data = pattern_bytes(4 * PACK_BLOCK_SIZE, 11);
  return data;
}

struct Outcome {
  std::string lines;  // after the usage box
  int status;
  Tree tree;          // below out
};

// Everything but the output directory, with the bytes of each file.
std::vector<std::string> outside(const std::string& skip) {
  std::vector<std::string> seen;
  for (const std::string& path : list_tree(".")) {
    if (path.compare(0, skip.size(), skip) == 0) continue;
    seen.push_back(path + "=" + read_file(path));
  }
  return seen;
}

Outcome extract(const std::string& image) {
  write_file("res.bin", image);
  write_file("sentinel.txt", "left alone");
  write_file("beside/keep.txt", "also left alone");
  const std::vector<std::string> before = outside("out");
  Outcome outcome;
  outcome.lines = run_tool({"--unpack", "-i", "res.bin", "-o", "out"}, &outcome.status)
                      .substr(usage_box("--unpack").size());
  EXPECT_EQ(outside("out"), before) << "something outside the output changed";
  outcome.tree = list_tree("out");
  return outcome;
}

struct Case {
  const char* why;
  int32_t count;  // -1: the number of entries
  std::vector<ImageEntry> entries;
  std::string lines;
  int status;
  Tree tree;
};

TEST(HostilePack, NamesCountsOffsetsAndSizes) {
  const std::string unterminated(PACK_NAME_FIELD_SIZE, 'n');
  const std::vector<Case> cases = {
      {"parent level", -1, {{"..\\evil", 260, 10}}, "..\\evil unsafe name, skipped !!!\n", 1, {}},
      {"deep parent", -1, {{"a/../../e", 260, 10}}, "a/../../e unsafe name, skipped !!!\n", 1, {}},
      {"root", -1, {{"\\evil", 260, 10}}, "\\evil unsafe name, skipped !!!\n", 1, {}},
      {"drive", -1, {{"C:x", 260, 10}}, "C:x unsafe name, skipped !!!\n", 1, {}},
      {"no terminator", -1, {{unterminated, 260, 10}},
       std::string(55, 'n') + " unsafe name, skipped !!!\n", 1, {}},
      {"control bytes", -1, {{"a\nb open failed !!!\x1b[2J", 260, 10}, {"q\x1b[2J\\", 260, 1}},
       "q\\x1B[2J\\ open failed !!!\n", 1, {"a\nb open failed !!!\x1b[2J", "q\x1b[2J"}},
      {"separators and dots", -1, {{"a/b\\\\c", 260, 10}, {".\\x\\.\\y", 260, 600}}, "", 0,
       {"a", "a/b", "a/b/c", "x", "x/y"}},
      {"file, then a level of its name", -1, {{"a", 260, 10}, {"a\\b", 260, 10}},
       "a\\b open failed !!!\n", 1, {"a"}},
      {"level, then a file of its name", -1, {{"a\\b", 260, 10}, {"a", 260, 10}},
       "a open failed !!!\n", 1, {"a", "a/b"}},
      {"zeroed entry and trailing separator", -1, {{"", 0, 0}, {"d\\", 260, 1}},
       " open failed !!!\nd\\ open failed !!!\n", 1, {"d"}},
      {"count 0", 0, {{"a", 260, 1}}, "res.bin holds no members, nothing extracted !!!\n", 2, {}},
      {"count 2048", 2048, {}, "res.bin holds no members, nothing extracted !!!\n", 2, {}},
      {"count negative", INT_MIN, {}, "res.bin holds no members, nothing extracted !!!\n", 2, {}},
      {"negative size, sizes past the end", -1,
       {{"neg", 260, -5}, {"long", 262, 5000}, {"far", 9999, 3}, {"wrap", 1u << 22, 3}},
       "long read failed !!!\nfar read failed !!!\nwrap read failed !!!\n", 1,
       {"far", "long", "neg", "wrap"}},
      {"table cut short", 3, {{"a", 260, 1}},
       "res.bin read failed !!!\nres.bin read failed !!!\na read failed !!!\n"
       " open failed !!!\n open failed !!!\n", 1, {"a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ScopedTempDir temp;
    const int32_t count = c.count == -1 ? static_cast<int32_t>(c.entries.size()) : c.count;
    std::string image = pack_image(count, c.entries, data_blocks());
    // Cut inside the second entry: the third is not there at all.
    if (count == 3) image.resize(PACK_TABLE_OFFSET + PACK_ENTRY_SIZE + 10);
    const Outcome outcome = extract(image);
    EXPECT_EQ(outcome.lines, c.lines);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_EQ(outcome.tree, c.tree);
  }
}

}  // namespace
}  // namespace blobsmith
