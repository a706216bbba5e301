// Tests of the extractor on pack images built in memory.
#include "unpack/extract.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

constexpr uint32_t kFirst = PACK_DATA_FIRST_BLOCK;  // block 260

// Extracts pack bytes written to "pack.bin" into "out"; returns the output.
std::string extract(const std::string& pack, int* status = nullptr,
                    const char* out_dir = "out") {
  write_file("pack.bin", pack);
  start_capture();
  const int result = extract_pack("pack.bin", out_dir);
  if (status != nullptr) *status = result;
  return finish_capture();
}

TEST(ExtractPack, RecreatesNestedMembersBlockByBlock) {
  ScopedTempDir temp;
  const std::string one = "Z";
  const std::string kib = pattern_bytes(1024, 1);
  const std::string big = pattern_bytes(1025, 2);
  // Data: "one" in block 260, kib in 261-262, big in 263-265.
  std::string data = one + std::string(511, '\0') + kib + big + std::string(511, '\0');
  const std::string pack = build_pack_image(
      5,
      {{"empty.txt", kFirst, 0},
       {"img\\deep\\one.bin", kFirst, 1},
       {"img\\kib.bin", kFirst + 1, 1024},
       {"", 0, 0},  // a source that could not be read when packing
       {"z/big.bin", kFirst + 3, 1025}},
      data + "\x01\x02\x03\x04");
  int status = 1;
  EXPECT_EQ(extract(pack, &status), " open failed !!!\n");
  EXPECT_EQ(status, -1);
  EXPECT_EQ(read_file("out/empty.txt"), "");
  EXPECT_EQ(read_file("out/img/deep/one.bin"), one);
  EXPECT_EQ(read_file("out/img/kib.bin"), kib);
  EXPECT_EQ(read_file("out/z/big.bin"), big);
  EXPECT_EQ(list_tree("out"),
            (std::vector<std::string>{"empty.txt", "img", "img/deep", "img/deep/one.bin",
                                      "img/kib.bin", "z", "z/big.bin"}));
}

TEST(ExtractPack, EntryCountOutsideOneTo2047ExtractsNothingSilently) {
  for (const int32_t count : {0, -1, 2048, INT32_MIN, INT32_MAX}) {
    ScopedTempDir temp;
    int status = 1;
    EXPECT_EQ(extract(build_pack_image(count, {{"a", kFirst, 1}}, std::string(512, 'a')), &status), "");
    EXPECT_EQ(status, 0) << count;
    EXPECT_FALSE(file_exists("out")) << count;
  }
}

TEST(ExtractPack, NegativeSizeGivesEmptyFile) {
  ScopedTempDir temp;
  EXPECT_EQ(extract(build_pack_image(1, {{"neg", kFirst, INT32_MIN}}, std::string(512, 'a'))), "");
  EXPECT_TRUE(file_exists("out/neg"));
  EXPECT_EQ(read_file("out/neg"), "");
}

TEST(ExtractPack, MemberBeyondTheEndStopsAfterOneBlock) {
  ScopedTempDir temp;
  // The member claims 2 GiB but the pack holds 700 of its bytes; the next
  // member starts beyond the end, the third at 2^31, a negative offset.
  const std::string held = pattern_bytes(700, 3);
  const std::string pack = build_pack_image(
      3, {{"huge", kFirst, INT32_MAX}, {"far", 1000, 100}, {"neg", 1u << 22, 10}},
      held);
  int status = 0;
  EXPECT_EQ(extract(pack, &status),
            "huge read failed !!!\n"
            "far read failed !!!\n"
            "neg read failed !!!\n");
  EXPECT_EQ(status, -1);
  // One whole block, then the short block written whole: 188 bytes and zeros.
  EXPECT_EQ(read_file("out/huge"), held + std::string(1024 - 700, '\0'));
  EXPECT_EQ(read_file("out/far"), std::string(100, '\0'));
  EXPECT_EQ(read_file("out/neg"), std::string(10, '\0'));
}

TEST(ExtractPack, TruncatedTableAndHeader) {
  ScopedTempDir temp;
  std::string pack = build_pack_image(2, {{"a", kFirst, 3}, {"b", kFirst, 3}}, "abc");
  // Cut in the middle of the second entry: it keeps its first 10 bytes.
  pack.resize(PACK_TABLE_OFFSET + PACK_ENTRY_SIZE + 10);
  pack[PACK_TABLE_OFFSET + PACK_ENTRY_SIZE] = 'b';
  EXPECT_EQ(extract(pack),
            "pack.bin read failed !!!\n"  // the second entry
            "a read failed !!!\n");       // no data at block 260
  EXPECT_EQ(read_file("out/a"), std::string(3, '\0'));
  EXPECT_EQ(read_file("out/b"), "");  // size 0 from the zeros after the cut

  // A header shorter than 512 bytes counts as zero entries.
  EXPECT_EQ(extract(std::string(100, 'x')),
            "pack.bin read header failed !!!\n"
            "pack.bin read failed !!!\n"
            "pack.bin read failed !!!\n"
            "pack.bin read failed !!!\n");
}

TEST(ExtractPack, MissingPackAndEmptyOutputDirectory) {
  ScopedTempDir temp;
  start_capture();
  EXPECT_EQ(extract_pack("missing.bin", "out"), -1);
  EXPECT_EQ(finish_capture(), "missing.bin open failed !!!\n");
  int status = 0;
  EXPECT_EQ(extract(build_pack_image(1, {{"a", kFirst, 1}}, "a"), &status, ""),
            "empty output directory name, nothing extracted !!!\n");
  EXPECT_EQ(status, -1);
}

TEST(ExtractPack, UnsafeNamesNeverLeaveTheOutputDirectory) {
  ScopedTempDir temp;
  write_file("sentinel.txt", "keep");
  mkdir("work", 0777);
  ASSERT_EQ(chdir("work"), 0);
  const std::vector<std::string> names = {
      "..\\sentinel.txt", "../sentinel.txt", "a\\..\\..\\sentinel.txt", "\\abs", "/abs",
      "C:x",              "C:\\x",           "\\\\server\\share",       "ok\\..",
      std::string(56, 'n')};
  std::vector<PackImageEntry> entries;
  std::string expected;
  for (const std::string& name : names) {
    entries.push_back({name, kFirst, 4});
    expected += name.substr(0, 55) + " unsafe name, skipped !!!\n";
  }
  entries.push_back({"fine\\x", kFirst, 4});
  int status = 0;
  EXPECT_EQ(extract(build_pack_image(static_cast<int32_t>(entries.size()), entries, "data"), &status),
            expected);
  EXPECT_EQ(status, -1);
  EXPECT_EQ(list_tree("out"), (std::vector<std::string>{"fine", "fine/x"}));
  ASSERT_EQ(chdir(".."), 0);
  EXPECT_EQ(read_file("sentinel.txt"), "keep");
  EXPECT_EQ(list_tree("."), (std::vector<std::string>{"sentinel.txt", "work", "work/out",
                                                      "work/out/fine", "work/out/fine/x",
                                                      "work/pack.bin"}));
}

TEST(ExtractPack, NeverWritesThroughLinksOrIntoSpecialFiles) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links and FIFOs cannot be made on Windows";
#endif
  ScopedTempDir temp;
  write_file("outside/target.txt", "keep");
  mkdir("out", 0777);
  ASSERT_EQ(symlink("../outside/target.txt", "out/link.txt"), 0);
  ASSERT_EQ(symlink("../outside", "out/dirlink"), 0);
  ASSERT_EQ(symlink("../outside/none", "out/dangling"), 0);
  ASSERT_EQ(mkfifo("out/fifo", 0666), 0);
  mkdir("out/dir", 0777);
  const std::string pack = build_pack_image(
      6,
      {{"dangling", kFirst, 4}, {"dir", kFirst, 4}, {"dirlink\\new.txt", kFirst, 4},
       {"fifo", kFirst, 4}, {"link.txt", kFirst, 4}, {"plain", kFirst, 4}},
      "data");
  EXPECT_EQ(extract(pack),
            "out/dangling is a link or special file, skipped !!!\n"
            "dir open failed !!!\n"
            "out/dirlink is a link or special file, skipped !!!\n"
            "out/fifo is a link or special file, skipped !!!\n"
            "out/link.txt is a link or special file, skipped !!!\n");
  EXPECT_EQ(read_file("outside/target.txt"), "keep");
  EXPECT_FALSE(file_exists("outside/new.txt"));
  EXPECT_FALSE(file_exists("outside/none"));
  EXPECT_EQ(read_file("out/plain"), "data");
}

TEST(ExtractPack, OverwritesExistingFilesAndOutDirMayBeALink) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links cannot be made on Windows";
#endif
  ScopedTempDir temp;
  mkdir("real", 0777);
  ASSERT_EQ(symlink("real", "chosen"), 0);
  write_file("real/a", "old content that is longer");
  EXPECT_EQ(extract(build_pack_image(1, {{"a", kFirst, 3}}, "new"), nullptr, "chosen"), "");
  EXPECT_EQ(read_file("real/a"), "new");
}

TEST(ExtractPack, FileAndDirectoryOfTheSameName) {
  ScopedTempDir temp;
  // "a" then "a\\b": the file stands where the directory is needed.
  EXPECT_EQ(extract(build_pack_image(2, {{"a", kFirst, 1}, {"a\\b", kFirst, 1}}, "x")),
            "a\\b open failed !!!\n");
  EXPECT_EQ(read_file("out/a"), "x");
  // "a\\b" then "a": the directory stands where the file should go.
  EXPECT_EQ(extract(build_pack_image(2, {{"a\\b", kFirst, 1}, {"a", kFirst, 1}}, "y"), nullptr, "out2"),
            "a open failed !!!\n");
  EXPECT_EQ(read_file("out2/a/b"), "y");
}

TEST(ExtractPack, DirectoriesSharingAPrefixAreEachMade) {
  ScopedTempDir temp;
  // Each member's directory differs from the one before only after a
  // common prefix of characters, not of levels.
  EXPECT_EQ(extract(build_pack_image(4, {{"d\\c\\x", kFirst, 1}, {"d\\cd\\y", kFirst, 1},
                                         {"d\\c", kFirst, 1}, {"dd\\z", kFirst, 1}}, "q")),
            "d\\c open failed !!!\n");
  EXPECT_EQ(list_tree("out"), (std::vector<std::string>{"d", "d/c", "d/c/x", "d/cd", "d/cd/y",
                                                        "dd", "dd/z"}));
}

TEST(RunUnpackCommand, OptionsAndDefaults) {
  ScopedTempDir temp;
  write_file("res.bin", build_pack_image(1, {{"d\\f", kFirst, 2}}, "hi"));
  EXPECT_EQ(run_tool({"--unpack"}), unpack_usage_text());
  EXPECT_EQ(read_file("res/d/f"), "hi");

  write_file("other.bin", build_pack_image(1, {{"g", kFirst, 2}}, "yo"));
  EXPECT_EQ(run_tool({"-o", "dest", "--unpack", "-i", "other.bin"}), unpack_usage_text());
  EXPECT_EQ(read_file("dest/g"), "yo");

  // "-v" ends the run; "-m" has no meaning here and does not take a value.
  EXPECT_EQ(run_tool({"--unpack", "-o", "x", "-v"}), unpack_usage_text() + "blobsmith 0.1.0\n");
  EXPECT_EQ(run_tool({"--unpack", "-m", "-v"}), unpack_usage_text() + "blobsmith 0.1.0\n");
  EXPECT_FALSE(file_exists("x"));
  // An option without a value ends the walk; the defaults are used.
  EXPECT_EQ(run_tool({"--unpack", "-i", "missing.bin", "-o"}),
            unpack_usage_text() + "missing.bin open failed !!!\n");

  const std::string long_name(600, 'l');
  EXPECT_EQ(run_tool({"--unpack", "-i", long_name}),
            unpack_usage_text() + long_name + " path name is too long, nothing extracted !!!\n");
}

}  // namespace
