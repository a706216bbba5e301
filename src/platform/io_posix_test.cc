// Tests of the buffered reader behind files opened for reading only: reads
// of every size across its buffer's edges, seeks and tells, the end of the
// file, and short reads counted in whole records as a stream counts them.
#include "platform/io.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "support/test_support.h"

namespace {

std::string read_some(IoFile* file, const size_t length) {
  std::string bytes(length, '\0');
  bytes.resize(io_read(&bytes[0], 1, length, file));
  return bytes;
}

TEST(IoReader, ReadsOfEverySizeGiveTheFileInOrder) {
  ScopedTempDir dir;
  // Longer than two buffers, and not a multiple of the block size.
  const std::string content = pattern_bytes(2 * IO_STREAM_BUFFER_SIZE + 70001, 4);
  write_file("data.bin", content);
  IoFile* file = io_open("data.bin", "rb");
  ASSERT_NE(file, nullptr);
  std::string seen;
  // Small reads inside the buffer, one larger than the buffer (read straight
  // through), and reads that straddle its refills.
  for (const size_t length : {size_t{1}, size_t{511}, size_t{512}, IO_STREAM_BUFFER_SIZE + 3,
                              size_t{70000}, size_t{4096}, IO_STREAM_BUFFER_SIZE}) {
    seen += read_some(file, length);
    EXPECT_EQ(io_tell(file), static_cast<int64_t>(seen.size()));
  }
  seen += read_some(file, content.size());
  EXPECT_TRUE(seen == content) << seen.size() << " of " << content.size() << " bytes";
  EXPECT_EQ(read_some(file, 512), "");
  EXPECT_EQ(io_tell(file), static_cast<int64_t>(content.size()));
  EXPECT_EQ(io_close(file), 0);
}

TEST(IoReader, SeeksTellsAndTheEndOfTheFile) {
  ScopedTempDir dir;
  const std::string content = pattern_bytes(300001, 9);
  const int64_t size = static_cast<int64_t>(content.size());
  write_file("data.bin", content);
  IoFile* file = io_open("data.bin", "rb");
  ASSERT_NE(file, nullptr);

  ASSERT_EQ(io_seek(file, 0, SEEK_END), 0);
  EXPECT_EQ(io_tell(file), size);
  ASSERT_EQ(io_seek(file, 1000, SEEK_SET), 0);
  EXPECT_EQ(read_some(file, 10), content.substr(1000, 10));
  // Back into what was just read, then far ahead and back again.
  ASSERT_EQ(io_seek(file, -5, SEEK_CUR), 0);
  EXPECT_EQ(read_some(file, 5), content.substr(1005, 5));
  ASSERT_EQ(io_seek(file, 250000, SEEK_SET), 0);
  EXPECT_EQ(read_some(file, 600), content.substr(250000, 600));
  ASSERT_EQ(io_seek(file, 7, SEEK_SET), 0);
  EXPECT_EQ(read_some(file, 3), content.substr(7, 3));

  // No position before the start: the seek fails and the position stays.
  EXPECT_EQ(io_seek(file, -11, SEEK_CUR), -1);
  EXPECT_EQ(io_seek(file, -1, SEEK_SET), -1);
  EXPECT_EQ(io_tell(file), 10);

  // Beyond the end a seek succeeds and reads find nothing.
  ASSERT_EQ(io_seek(file, 100, SEEK_END), 0);
  EXPECT_EQ(io_tell(file), size + 100);
  EXPECT_EQ(read_some(file, 512), "");

  // A short read counts whole records only, but delivers every byte there is.
  ASSERT_EQ(io_seek(file, -10, SEEK_END), 0);
  char records[12] = {};
  EXPECT_EQ(io_read(records, 4, 3, file), 2u);
  EXPECT_EQ(std::string(records, 10), content.substr(content.size() - 10));
  EXPECT_EQ(io_tell(file), size);
  EXPECT_EQ(io_close(file), 0);
}

TEST(IoReader, MissingFileAndDirectoryAreRefused) {
  ScopedTempDir dir;
  write_file("sub/a.bin", "a");
  EXPECT_EQ(io_open("missing.bin", "rb"), nullptr);
  EXPECT_EQ(io_open("sub", "rb"), nullptr);
}

TEST(AllocatePages, PageAlignedWritableAndFreed) {
  const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  for (const size_t size : {size_t{1}, size_t{4096}, IO_STREAM_BUFFER_SIZE, size_t{0x80000}}) {
    auto* pages = static_cast<unsigned char*>(allocate_pages(size));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pages) % page, 0u) << size;
    std::memset(pages, 0xA5, size);  // the whole size is usable
    free_pages(pages);
  }
  free_pages(nullptr);
}

}  // namespace
