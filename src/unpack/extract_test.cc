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

}  // namespace
