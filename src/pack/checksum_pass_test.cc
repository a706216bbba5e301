// Tests of the pass that appends a pack file's checksum.
#include "pack/checksum_pass.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "format/pack_format.h"
#include "support/reference_checksum.h"
#include "support/test_support.h"

namespace {

// A file whose header asks for a checksum (mode 2 at offset 32).
std::string checksummed_file(const size_t size, const uint32_t mode = PACK_CHECKSUM_MODE_ON) {
  std::string bytes = pattern_bytes(size, 7);
  unsigned char word[4];
  put_u32_le(word, mode);
  bytes.replace(HEADER_CHECKSUM_MODE_AT, 4, reinterpret_cast<const char*>(word), 4);
  return bytes;
}

std::string le_word(const uint32_t value) {
  unsigned char word[4];
  put_u32_le(word, value);
  return std::string(reinterpret_cast<const char*>(word), 4);
}

std::string crc_line(const uint32_t value) {
  char line[32];
  std::snprintf(line, sizeof line, "crc=0x%08x\n", value);
  return line;
}

TEST(AppendChecksum, ChunkBoundariesGiveTheSameFold) {
  ScopedTempDir temp;
  for (const size_t size : {size_t{512}, CHECKSUM_CHUNK_SIZE - 1, CHECKSUM_CHUNK_SIZE,
                            CHECKSUM_CHUNK_SIZE + 1, 2 * CHECKSUM_CHUNK_SIZE + 3}) {
    const std::string body = checksummed_file(size);
    write_file("pack.bin", body);
    start_capture();
    EXPECT_EQ(append_checksum("pack.bin"), CHECKSUM_OK);
    const uint32_t expected = reference_checksum(body);
    EXPECT_EQ(finish_capture(), crc_line(expected)) << size;
    EXPECT_EQ(read_file("pack.bin"), body + le_word(expected)) << size;
  }
}

TEST(AppendChecksum, ModeZeroAppendsZerosAndRunningTwiceAppendsTwice) {
  ScopedTempDir temp;
  const std::string quiet = checksummed_file(600, 0);
  write_file("quiet.bin", quiet);
  start_capture();
  EXPECT_EQ(append_checksum("quiet.bin"), CHECKSUM_OK);
  EXPECT_EQ(finish_capture(), "");
  EXPECT_EQ(read_file("quiet.bin"), quiet + std::string(4, '\0'));

  const std::string body = checksummed_file(1000);
  write_file("twice.bin", body);
  start_capture();
  append_checksum("twice.bin");
  append_checksum("twice.bin");
  const std::string once = body + le_word(reference_checksum(body));
  const uint32_t second = reference_checksum(once);
  EXPECT_EQ(finish_capture(), crc_line(reference_checksum(body)) + crc_line(second));
  EXPECT_EQ(read_file("twice.bin"), once + le_word(second));
}

TEST(AppendChecksum, FailuresAppendNothing) {
  ScopedTempDir temp;
  start_capture();
  EXPECT_EQ(append_checksum("missing.bin"), CHECKSUM_OPEN_FAILED);
  EXPECT_EQ(finish_capture(), "add crc open file error.\n");

  write_file("short.bin", std::string(511, 'x'));
  start_capture();
  EXPECT_EQ(append_checksum("short.bin"), CHECKSUM_HEADER_FAILED);
  EXPECT_EQ(finish_capture(), "add crc read header error.\n");
  EXPECT_EQ(read_file("short.bin"), std::string(511, 'x'));
}

}  // namespace
