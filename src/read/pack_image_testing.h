// Test and benchmark helpers: pack file images built in memory exactly as
// the packer lays them out, checksum included, and small ways to damage them.
#ifndef BLOBSMITH_READ_PACK_IMAGE_TESTING_H_
#define BLOBSMITH_READ_PACK_IMAGE_TESTING_H_

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "format/checksum.h"
#include "format/pack_format.h"

// One member of a test pack. A member with zeroed set stands for a source
// that could not be read while packing: an all-zero entry and no data.
struct TestMember {
  std::string name;  // as stored, "\\" between levels
  std::string bytes;
  bool zeroed = false;
};

inline TestMember zeroed_member() {
  TestMember member;
  member.zeroed = true;
  return member;
}

// The complete image the packer writes for members, in the given order:
// header stamped 2026-12-06 22:36, reserved blocks, table, block-aligned
// data and the trailing checksum.
inline std::string build_sound_pack_image(const std::vector<TestMember>& members,
                                    const char* machine = "q5") {
  std::string image(PACK_DATA_OFFSET, '\0');
  PackHeader header = make_header();
  std::memcpy(header.date_stamp, "20261206", HEADER_DATE_STAMP_SIZE);
  std::memcpy(header.time_stamp, "2236", HEADER_TIME_STAMP_SIZE);
  std::memcpy(header.machine, machine, strnlen(machine, HEADER_MACHINE_SIZE - 1));
  header.entry_count = static_cast<int32_t>(members.size());
  unsigned char header_image[PACK_HEADER_SIZE];
  encode_header(header, header_image);
  image.replace(0, PACK_HEADER_SIZE, reinterpret_cast<const char*>(header_image),
                PACK_HEADER_SIZE);
  for (size_t i = 0; i < members.size(); ++i) {
    PackEntry entry;
    std::memset(&entry, 0, sizeof entry);
    if (!members[i].zeroed) {
      std::strncpy(entry.name, members[i].name.c_str(), PACK_NAME_MAX_LENGTH);
      entry.start_block = static_cast<uint32_t>(image.size() / PACK_BLOCK_SIZE);
      entry.byte_size = static_cast<int32_t>(members[i].bytes.size());
      image += members[i].bytes;
      const size_t rest = image.size() % PACK_BLOCK_SIZE;
      if (rest != 0) image.append(PACK_BLOCK_SIZE - rest, '\0');
    }
    unsigned char entry_image[PACK_ENTRY_SIZE];
    encode_entry(entry, entry_image);
    image.replace(PACK_TABLE_OFFSET + i * PACK_ENTRY_SIZE, PACK_ENTRY_SIZE,
                  reinterpret_cast<const char*>(entry_image), PACK_ENTRY_SIZE);
  }
  const uint32_t sum = checksum_update(static_cast<uint32_t>(image.size()),
                                       reinterpret_cast<const unsigned char*>(image.data()), 0);
  unsigned char word[PACK_CHECKSUM_SIZE];
  put_u32_le(word, sum);
  image.append(reinterpret_cast<const char*>(word), sizeof word);
  return image;
}

// Recomputes the trailing checksum of an image after a test changed it.
inline void reseal_pack_image(std::string* image) {
  const size_t body = image->size() - PACK_CHECKSUM_SIZE;
  const uint32_t sum = checksum_update(static_cast<uint32_t>(body),
                                       reinterpret_cast<const unsigned char*>(image->data()), 0);
  unsigned char word[PACK_CHECKSUM_SIZE];
  put_u32_le(word, sum);
  image->replace(body, PACK_CHECKSUM_SIZE, reinterpret_cast<const char*>(word), sizeof word);
}

// Stores a little-endian word at offset of image.
inline void poke_u32(std::string* image, const size_t offset, const uint32_t value) {
  unsigned char word[4];
  put_u32_le(word, value);
  image->replace(offset, 4, reinterpret_cast<const char*>(word), 4);
}

inline size_t pack_image_entry_offset(const int index) {
  return static_cast<size_t>(PACK_TABLE_OFFSET + index * PACK_ENTRY_SIZE);
}

#endif  // BLOBSMITH_READ_PACK_IMAGE_TESTING_H_
