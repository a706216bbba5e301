// Pack images built in memory, for the tests and the benchmarks: the one
// image of a pack that does not come from the tool itself.
#ifndef BLOBSMITH_TESTS_SUPPORT_PACK_IMAGE_H_
#define BLOBSMITH_TESTS_SUPPORT_PACK_IMAGE_H_

#include <cstdint>
#include <string>
#include <vector>

// One table entry, its name field as raw bytes (cut to 56).
struct ImageEntry {
  std::string name;
  uint32_t start_block;
  int32_t byte_size;
};
// A header holding entry_count, stamped 2026-01-02 03:04, machine "q5"; three
// zero blocks; the table; data from offset 133120; no checksum.
std::string pack_image(int32_t entry_count, const std::vector<ImageEntry>& entries,
                       const std::string& data);

// A member as the packer lays it out; zeroed: a source that could not be
// read (an all-zero entry, no data).
struct ImageMember {
  std::string name;  // as stored, "\\" between levels
  std::string bytes;
  bool zeroed;
};
// The whole image the packer writes for members in this order: contiguous
// zero-padded data from block 260 and the trailing checksum.
std::string sound_pack_image(const std::vector<ImageMember>& members);

// A read callback for the reader (blobsmith_io) over the std::string image
// context points at: up to length bytes from offset, fewer at its end.
int64_t read_image(void* context, uint64_t offset, void* buffer, size_t length);

#endif  // BLOBSMITH_TESTS_SUPPORT_PACK_IMAGE_H_
