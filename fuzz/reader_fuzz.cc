// Fuzz target: the run-time reader on an arbitrary image in exactly-sized
// buffers (the address checker sees any stray access), every outcome held to
// rules worked out here from the bytes: an entry is damaged when its name has
// no terminator or its bytes lie outside the data area; a member reads as the
// image's bytes; a lookup by any name, as stored or in upper case, finds the
// first exact match ("/" and "\\" alike), else the first without regard to case.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "blobsmith/reader.h"
#include "format/pack_format.h"
#include "fuzz_check.h"

using namespace blobsmith;  // NOLINT: the target reads the format's own fields

namespace {

char lower(const char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
char slash(const char c) { return c == '\\' ? '/' : c; }

// The entry the lookup of query must find among the first count entries of
// a table whose names are given (empty: no name), or -1.
int32_t expected_index(const std::vector<std::string>& names, const std::string& query) {
  int32_t folded = -1;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    if (name.empty() || name.size() != query.size()) continue;
    bool same = true, alike = true;
    for (size_t k = 0; k < name.size(); ++k) {
      same = same && slash(name[k]) == slash(query[k]);
      alike = alike && lower(slash(name[k])) == lower(slash(query[k]));
    }
    if (same) return static_cast<int32_t>(i);
    if (alike && folded < 0) folded = static_cast<int32_t>(i);
  }
  return folded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, const size_t size) {
  const std::vector<unsigned char> image(data, data + size);
  blobsmith_pack* pack = nullptr;
  if (blobsmith_open_memory(image.data(), image.size(), nullptr, &pack) != BLOBSMITH_OK) return 0;
  const int32_t count = blobsmith_entry_count(pack);
  FUZZ_CHECK(count >= 1 && count <= BLOBSMITH_MAX_ENTRIES);
  FUZZ_CHECK(size >= PACK_TABLE_OFFSET + static_cast<size_t>(count) * PACK_ENTRY_SIZE);
  std::vector<std::string> names;
  for (int32_t i = 0; i < count; ++i) {
    const unsigned char* entry = data + PACK_TABLE_OFFSET + static_cast<size_t>(i) * PACK_ENTRY_SIZE;
    const bool terminated = std::memchr(entry, 0, PACK_NAME_FIELD_SIZE) != nullptr;
    names.push_back(terminated ? reinterpret_cast<const char*>(entry) : "");
    const uint64_t start = uint64_t{get_u32_le(entry + ENTRY_START_BLOCK_AT)} * PACK_BLOCK_SIZE;
    const int32_t stored = static_cast<int32_t>(get_u32_le(entry + ENTRY_BYTE_SIZE_AT));
    const uint32_t length = stored > 0 ? static_cast<uint32_t>(stored) : 0;
    const bool inside = length == 0 || (start >= PACK_DATA_OFFSET && size >= PACK_CHECKSUM_SIZE &&
                                        start + length <= size - PACK_CHECKSUM_SIZE);
    blobsmith_member member;
    const int status = blobsmith_member_at(pack, i, &member);
    FUZZ_CHECK(status == (terminated && inside ? BLOBSMITH_OK : BLOBSMITH_ERROR_DAMAGED));
    FUZZ_CHECK(member.size == length && member.offset == start);
    FUZZ_CHECK(std::strncmp(member.name, reinterpret_cast<const char*>(entry), 55) == 0 &&
               member.name[std::min<size_t>(55, std::strlen(member.name))] == '\0');
    std::vector<unsigned char> whole(inside ? length : 1);  // a damaged size may be 2 GiB
    const int64_t got = blobsmith_read_member(pack, i, whole.data(), whole.size());
    const void* in_place = nullptr;
    size_t in_place_size = 0;
    const int placed = blobsmith_member_data(pack, i, &in_place, &in_place_size);
    if (inside) {
      FUZZ_CHECK(got == length && placed == BLOBSMITH_OK && in_place_size == length);
      FUZZ_CHECK(length == 0 || (std::memcmp(whole.data(), data + start, length) == 0 &&
                                 in_place == image.data() + start));
      std::vector<unsigned char> part(std::min<size_t>(length, 7));
      FUZZ_CHECK(blobsmith_read(pack, i, length / 3, part.data(), part.size()) ==
                 static_cast<int64_t>(std::min<uint64_t>(part.size(), length - length / 3)));
    } else {
      FUZZ_CHECK(got == BLOBSMITH_ERROR_DAMAGED && placed == BLOBSMITH_ERROR_DAMAGED);
    }
  }
  for (const std::string& name : names) {
    std::string shouted = name;
    for (char& c : shouted) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : slash(c));
    for (const std::string& query : {name, shouted}) {
      const int32_t want = expected_index(names, query);
      FUZZ_CHECK(blobsmith_find(pack, query.c_str()) == (want < 0 ? BLOBSMITH_ERROR_NOT_FOUND : want));
    }
  }
  blobsmith_close(pack);
  return 0;
}
