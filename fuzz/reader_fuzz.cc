// Fuzz target: the run-time reader on an arbitrary image in exactly-sized
// buffers (the address checker sees any stray access), every outcome held to
// rules worked out here from the bytes: an entry is damaged when its name has
// no terminator or its bytes lie outside the data area; a member reads as the
// image's bytes; a lookup by any name, as stored or in upper case, finds the
// first exact match ("/" and "\\" alike), else the first without regard to
// case, and the exact lookup the first exact match only; the directory view
// is the tree of canonical names built here with maps, every directory
// listed in the packer's order; the check at run time, in one piece and in
// pieces cut where the input says, gives the open's status or the verdict on
// the members' places and the checksum.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "blobsmith/reader.h"
#include "format/checksum.h"
#include "format/member_name.h"
#include "format/pack_format.h"
#include "fuzz_check.h"

using namespace blobsmith;  // NOLINT: the target reads the format's own fields

namespace {

char lower(const char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
char slash(const char c) { return c == '\\' ? '/' : c; }

// The entries a lookup of query must find among a table whose names are
// given (empty: no name), or -1: the first called exactly query ("/" and
// "\\" alike), which *exact receives too, else the first that differs from
// it only in ASCII letter case.
int32_t expected_index(const std::vector<std::string>& names, const std::string& query,
                       int32_t* exact) {
  int32_t folded = -1;
  *exact = -1;
  for (size_t i = 0; i < names.size() && *exact < 0; ++i) {
    const std::string& name = names[i];
    if (name.empty() || name.size() != query.size()) continue;
    bool same = true, alike = true;
    for (size_t k = 0; k < name.size(); ++k) {
      same = same && slash(name[k]) == slash(query[k]);
      alike = alike && lower(slash(name[k])) == lower(slash(query[k]));
    }
    if (same) *exact = static_cast<int32_t>(i);
    if (alike && folded < 0) folded = static_cast<int32_t>(i);
  }
  return *exact >= 0 ? *exact : folded;
}

// The directory view of the canonical names, as maps: files by name (the
// first in table order), directories as every leading run of levels.
struct ViewOracle {
  std::map<std::string, int32_t> files;
  std::set<std::string> directories;

  explicit ViewOracle(const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size(); ++i) {
      const std::string& name = names[i];
      if (name.empty() || member_name_fault(name.c_str()) != NAME_CANONICAL) continue;
      files.emplace(name, static_cast<int32_t>(i));
      for (size_t k = name.find('\\'); k != std::string::npos; k = name.find('\\', k + 1)) {
        directories.insert(name.substr(0, k));
      }
    }
  }
  // BLOBSMITH_FILE, _DIRECTORY or _ERROR_NOT_FOUND for a name with "\\"
  // between levels, and the file's index.
  int kind(const std::string& name, int32_t* index) const {
    if (name.empty()) return BLOBSMITH_DIRECTORY;
    for (size_t k = name.find('\\'); k != std::string::npos; k = name.find('\\', k + 1)) {
      if (files.count(name.substr(0, k)) != 0) return BLOBSMITH_ERROR_NOT_FOUND;
    }
    const auto file = files.find(name);
    if (file != files.end()) {
      *index = file->second;
      return BLOBSMITH_FILE;
    }
    *index = -1;
    return directories.count(name) != 0 ? BLOBSMITH_DIRECTORY : BLOBSMITH_ERROR_NOT_FOUND;
  }
  // The entries of a directory in the packer's order: by the level folded
  // (a directory's followed by "/"), then by its bytes.
  std::vector<blobsmith_dir_entry> list(const std::string& directory) const {
    std::vector<std::pair<std::pair<std::string, std::string>, blobsmith_dir_entry>> found;
    const std::string prefix = directory.empty() ? "" : directory + "\\";
    std::set<std::string> seen;
    auto take = [&](const std::string& name) {
      if (name.compare(0, prefix.size(), prefix) != 0) return;
      const std::string level = name.substr(prefix.size());
      if (level.find('\\') != std::string::npos || !seen.insert(level).second) return;
      blobsmith_dir_entry entry{};
      entry.kind = kind(name, &entry.index);
      if (entry.kind < 0) return;
      std::memcpy(entry.name, level.c_str(), level.size() + 1);
      std::string folded;
      for (const char c : level) folded += lower(c);
      if (entry.kind == BLOBSMITH_DIRECTORY) folded += '/';
      found.push_back({{folded, level}, entry});
    };
    for (const auto& file : files) take(file.first);
    for (const std::string& name : directories) take(name);
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<blobsmith_dir_entry> entries;
    for (const auto& item : found) entries.push_back(item.second);
    return entries;
  }
};

void check_view(const blobsmith_pack* pack, const std::vector<std::string>& names) {
  const ViewOracle oracle(names);
  std::vector<std::string> queries{""};
  for (const std::string& name : names) {
    if (name.empty()) continue;
    queries.push_back(name);
    for (size_t k = name.find_first_of("\\/"); k != std::string::npos;
         k = name.find_first_of("\\/", k + 1)) {
      queries.push_back(name.substr(0, k));
    }
  }
  for (const std::string& query : queries) {
    // The view takes "/" for "\\" in a name given to it.
    std::string stored = query;
    std::string with_slashes = query;
    for (char& c : stored) c = c == '/' ? '\\' : c;
    for (char& c : with_slashes) c = slash(c);
    int32_t want_index = -1;
    const int want = member_name_fault(stored.c_str()) == NAME_CANONICAL
                         ? oracle.kind(stored, &want_index)
                         : BLOBSMITH_ERROR_NOT_FOUND;
    for (const std::string& given : {query, with_slashes}) {
      int32_t index = -7;
      FUZZ_CHECK(blobsmith_stat(pack, given.c_str(), &index) == want);
      FUZZ_CHECK(index == (want < 0 ? -7 : want_index));
      blobsmith_dir dir;
      const int begun = blobsmith_dir_begin(pack, given.c_str(), &dir);
      FUZZ_CHECK(begun == (want == BLOBSMITH_DIRECTORY ? BLOBSMITH_OK : BLOBSMITH_ERROR_NOT_FOUND));
      if (begun != BLOBSMITH_OK) continue;
      const std::vector<blobsmith_dir_entry> listed = oracle.list(stored);
      blobsmith_dir_entry entry;
      for (const blobsmith_dir_entry& expected : listed) {
        FUZZ_CHECK(blobsmith_dir_next(&dir, &entry) == 1);
        FUZZ_CHECK(std::strcmp(entry.name, expected.name) == 0 && entry.kind == expected.kind &&
                   entry.index == expected.index);
      }
      FUZZ_CHECK(blobsmith_dir_next(&dir, &entry) == 0 && blobsmith_dir_next(&dir, &entry) == 0);
    }
  }
}

// What the check at run time must say of bytes that open: the members'
// places, then the checksum mode and word.
int expected_verdict(const uint8_t* data, const size_t size, const int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    const unsigned char* entry =
        data + PACK_TABLE_OFFSET + static_cast<size_t>(i) * PACK_ENTRY_SIZE;
    const uint64_t start = uint64_t{get_u32_le(entry + ENTRY_START_BLOCK_AT)} * PACK_BLOCK_SIZE;
    const int32_t stored = static_cast<int32_t>(get_u32_le(entry + ENTRY_BYTE_SIZE_AT));
    if (stored > 0 && (start < PACK_DATA_OFFSET ||
                       start + static_cast<uint32_t>(stored) > size - PACK_CHECKSUM_SIZE)) {
      return BLOBSMITH_ERROR_DAMAGED;
    }
  }
  if (get_u32_le(data + HEADER_CHECKSUM_MODE_AT) == 0) return BLOBSMITH_ERROR_CHECKSUM;
  const uint32_t sum = checksum_update(static_cast<uint32_t>(size - PACK_CHECKSUM_SIZE), data, 0);
  return sum == get_u32_le(data + size - PACK_CHECKSUM_SIZE) ? BLOBSMITH_OK
                                                             : BLOBSMITH_ERROR_CHECKSUM;
}

// The incremental check over the bytes in pieces whose sizes come from the
// bytes themselves.
int verify_in_pieces(const uint8_t* data, const size_t size) {
  blobsmith_verify_state state;
  FUZZ_CHECK(blobsmith_verify_begin(&state) == BLOBSMITH_OK);
  for (size_t at = 0, step = 0; at < size; ++step) {
    const size_t piece = std::min<size_t>(size - at, 1 + (data[step % size] * 131u) % 70000);
    const int status = blobsmith_verify_update(&state, data + at, piece);
    FUZZ_CHECK(status == BLOBSMITH_OK || status == BLOBSMITH_ERROR_NOT_A_PACK ||
               status == BLOBSMITH_ERROR_ENTRY_COUNT || status == BLOBSMITH_ERROR_DAMAGED);
    at += piece;
  }
  return blobsmith_verify_end(&state);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, const size_t size) {
  const std::vector<unsigned char> image(data, data + size);
  blobsmith_pack* pack = nullptr;
  const int opened = blobsmith_open_memory(image.data(), image.size(), nullptr, &pack);
  if (size == 0) return 0;  // (no image at all: refused as an argument)
  FUZZ_CHECK(verify_in_pieces(data, size) ==
             (opened == BLOBSMITH_OK ? expected_verdict(data, size, blobsmith_entry_count(pack))
                                     : opened));
  if (opened != BLOBSMITH_OK) return 0;
  FUZZ_CHECK(blobsmith_verify(pack, nullptr, 0) == verify_in_pieces(data, size));
  const int32_t count = blobsmith_entry_count(pack);
  FUZZ_CHECK(count >= 1 && count <= BLOBSMITH_MAX_ENTRIES);
  FUZZ_CHECK(size >= PACK_TABLE_OFFSET + static_cast<size_t>(count) * PACK_ENTRY_SIZE);
  std::vector<std::string> names;
  for (int32_t i = 0; i < count; ++i) {
    const unsigned char* entry =
        data + PACK_TABLE_OFFSET + static_cast<size_t>(i) * PACK_ENTRY_SIZE;
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
      int32_t exact = -1;
      const int32_t want = expected_index(names, query, &exact);
      FUZZ_CHECK(blobsmith_find(pack, query.c_str()) ==
                 (want < 0 ? BLOBSMITH_ERROR_NOT_FOUND : want));
      FUZZ_CHECK(blobsmith_find_exact(pack, query.c_str()) ==
                 (exact < 0 ? BLOBSMITH_ERROR_NOT_FOUND : exact));
    }
  }
  check_view(pack, names);
  blobsmith_close(pack);
  return 0;
}
