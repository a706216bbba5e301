// Fuzz target: the run-time reader on arbitrary bytes held in memory. The
// input is the pack image, in a block of exactly its size. Every entry is
// looked at, looked up by its name and read whole, in part and in place,
// into buffers of exactly the size asked for, so any read or write outside
// the image or a buffer is caught by the address checker. Aborts when a
// lookup finds a member whose name is not the one asked for, when a read
// gives other than what lies in the image at the member's offset, or when
// an entry's image does not decode and encode back to itself.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "blobsmith/reader.h"
#include "format/member_name.h"
#include "format/pack_format.h"
#include "fuzz_check.h"

using namespace blobsmith;  // NOLINT: the target checks the tool's own decoders

namespace {

void check_entry_image(const unsigned char* bytes) {
  unsigned char image[PACK_ENTRY_SIZE];
  std::memcpy(image, bytes, sizeof image);
  PackEntry entry;
  const bool terminated = decode_entry(image, &entry) == 0;
  FUZZ_CHECK(terminated == (std::memchr(image, 0, PACK_NAME_FIELD_SIZE) != nullptr));
  unsigned char again[PACK_ENTRY_SIZE];
  encode_entry(entry, again);
  // The name comes back up to its terminator, zeros after it; the words
  // come back whole.
  const size_t length = std::strlen(entry.name);
  FUZZ_CHECK(length <= PACK_NAME_MAX_LENGTH && std::memcmp(again, image, length) == 0);
  for (size_t i = length; i < PACK_NAME_FIELD_SIZE; ++i) FUZZ_CHECK(again[i] == 0);
  FUZZ_CHECK(std::memcmp(again + ENTRY_START_BLOCK_AT, image + ENTRY_START_BLOCK_AT, 8) == 0);
  FUZZ_CHECK(compare_name_order(entry.name, entry.name) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, const size_t size) {
  std::vector<unsigned char> image(data, data + size);
  blobsmith_pack* pack = nullptr;
  if (blobsmith_open_memory(image.data(), image.size(), nullptr, &pack) != BLOBSMITH_OK) return 0;
  const int32_t count = blobsmith_entry_count(pack);
  FUZZ_CHECK(count >= 1 && count <= BLOBSMITH_MAX_ENTRIES);
  for (int32_t i = 0; i < count; ++i) {
    check_entry_image(image.data() + PACK_TABLE_OFFSET + static_cast<size_t>(i) * PACK_ENTRY_SIZE);
    blobsmith_member member;
    const int status = blobsmith_member_at(pack, i, &member);
    FUZZ_CHECK(status == BLOBSMITH_OK || status == BLOBSMITH_ERROR_DAMAGED);
    FUZZ_CHECK(std::memchr(member.name, 0, sizeof member.name) != nullptr);
    const int32_t found = blobsmith_find(pack, member.name);
    if (found >= 0) {
      blobsmith_member named;
      blobsmith_member_at(pack, found, &named);
      FUZZ_CHECK(compare_folded_names(named.name, member.name) == 0);
    }
    std::vector<unsigned char> whole(member.size);
    const int64_t got = blobsmith_read_member(pack, i, whole.data(), whole.size());
    const void* in_place = nullptr;
    size_t in_place_size = 0;
    const int placed = blobsmith_member_data(pack, i, &in_place, &in_place_size);
    if (got >= 0) {
      FUZZ_CHECK(got == member.size && placed == BLOBSMITH_OK && in_place_size == member.size);
      FUZZ_CHECK(member.offset + member.size <= size);
      FUZZ_CHECK(std::memcmp(whole.data(), data + member.offset, member.size) == 0);
      FUZZ_CHECK(member.size == 0 || in_place == image.data() + member.offset);
      const uint64_t offset = member.size / 3;
      std::vector<unsigned char> part(std::min<size_t>(member.size, 7));
      const int64_t piece = blobsmith_read(pack, i, offset, part.data(), part.size());
      FUZZ_CHECK(piece == static_cast<int64_t>(std::min<uint64_t>(part.size(), member.size - offset)));
    } else {
      FUZZ_CHECK(got == BLOBSMITH_ERROR_DAMAGED && placed == BLOBSMITH_ERROR_DAMAGED);
    }
  }
  blobsmith_close(pack);
  return 0;
}
