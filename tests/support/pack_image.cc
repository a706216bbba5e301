// Pack images built in memory.
#include "support/pack_image.h"

#include <algorithm>
#include <cstring>

#include "format/checksum.h"
#include "format/pack_format.h"

using namespace blobsmith;  // NOLINT: images built with the format's own encoders

std::string pack_image(const int32_t entry_count, const std::vector<ImageEntry>& entries,
                       const std::string& data) {
  std::string image(PACK_DATA_OFFSET, '\0');
  PackHeader header = make_header();
  std::memcpy(header.date_stamp, "20260102", HEADER_DATE_STAMP_SIZE);
  std::memcpy(header.time_stamp, "0304", HEADER_TIME_STAMP_SIZE);
  std::memcpy(header.machine, "q5", 3);
  header.entry_count = entry_count;
  unsigned char header_image[PACK_HEADER_SIZE];
  encode_header(header, header_image);
  std::memcpy(&image[0], header_image, sizeof header_image);
  for (size_t i = 0; i < entries.size() && i < PACK_MAX_ENTRIES; ++i) {
    char* slot = &image[PACK_TABLE_OFFSET + i * PACK_ENTRY_SIZE];
    std::memcpy(slot, entries[i].name.data(),
                std::min<size_t>(entries[i].name.size(), PACK_NAME_FIELD_SIZE));
    put_u32_le(reinterpret_cast<unsigned char*>(slot) + ENTRY_START_BLOCK_AT,
               entries[i].start_block);
    put_u32_le(reinterpret_cast<unsigned char*>(slot) + ENTRY_BYTE_SIZE_AT,
               static_cast<uint32_t>(entries[i].byte_size));
  }
  return image + data;
}

std::string sound_pack_image(const std::vector<ImageMember>& members) {
  std::vector<ImageEntry> entries;
  std::string data;
  for (const ImageMember& member : members) {
    if (member.zeroed) {
      entries.push_back(ImageEntry{"", 0, 0});
      continue;
    }
    const size_t block = (PACK_DATA_OFFSET + data.size()) / PACK_BLOCK_SIZE;
    entries.push_back(ImageEntry{member.name, static_cast<uint32_t>(block),
                                 static_cast<int32_t>(member.bytes.size())});
    data += member.bytes;
    data.append((PACK_BLOCK_SIZE - data.size() % PACK_BLOCK_SIZE) % PACK_BLOCK_SIZE, '\0');
  }
  std::string image = pack_image(static_cast<int32_t>(members.size()), entries, data);
  const uint32_t sum = checksum_update(static_cast<uint32_t>(image.size()),
                                       reinterpret_cast<const unsigned char*>(image.data()), 0);
  unsigned char word[PACK_CHECKSUM_SIZE];
  put_u32_le(word, sum);
  return image + std::string(reinterpret_cast<const char*>(word), sizeof word);
}

int64_t read_image(void* context, const uint64_t offset, void* buffer, const size_t length) {
  const std::string& image = *static_cast<const std::string*>(context);
  if (offset >= image.size()) return 0;
  const size_t copied = std::min<size_t>(length, static_cast<size_t>(image.size() - offset));
  std::memcpy(buffer, image.data() + offset, copied);
  return static_cast<int64_t>(copied);
}
