// The directory view of blobsmith/reader.h: the canonical names of an open
// pack as a tree, listed and looked at through the index, whose order keeps
// every directory's names together and in it each file and subdirectory
// (reader/name_order.h). Only binary searches over that index: no storage
// beyond the open's.
#include <cstring>

#include "blobsmith/reader.h"
#include "format/member_name.h"
#include "reader/name_order.h"
#include "reader/pack_index.h"
#include "reader/pack_record.h"

namespace blobsmith {

namespace {

// What a blobsmith_dir holds: positions in the index's canonical part.
struct DirCursor {
  const blobsmith_pack* pack;
  int32_t next;    // where the next entry is looked for
  int32_t end;     // past the directory's last name
  int32_t prefix;  // bytes of the directory's name and its separator
  int32_t depth;   // levels of the directory's name
  uint32_t mark;   // CURSOR_MARK once begun
};
static_assert(sizeof(DirCursor) <= sizeof(blobsmith_dir), "the cursor fits its record");

constexpr uint32_t CURSOR_MARK = 0x62646972;  // "bdir"

// A name the view can hold: "" or canonical with either separator.
bool view_name(const char* name) {
  if (strnlen(name, PACK_NAME_FIELD_SIZE) == PACK_NAME_FIELD_SIZE) return false;
  const NameFault fault = member_name_fault(name);
  return fault == NAME_CANONICAL || fault == NAME_SLASH;
}

// The member called exactly name in the view's part of the index, or -1.
int32_t view_file(const blobsmith_pack* pack, const char* name) {
  return find_exact_between(pack, 0, pack->canonical, name);
}

// The range of names below directory name (levels long, not the root).
void directory_range(const blobsmith_pack* pack, const char* name, const int levels, int32_t* low,
                     int32_t* high) {
  char probe[PACK_NAME_FIELD_SIZE + 2];
  const size_t length = std::strlen(name);
  std::memcpy(probe, name, length);
  probe[length] = '\\';  // the name's last level as a directory's
  probe[length + 1] = '\0';
  const Probe below{probe, levels, false};
  *low = lower_bound(pack, 0, pack->canonical, below);
  *high = upper_bound(pack, *low, pack->canonical, below);
}

// BLOBSMITH_FILE (with *index), BLOBSMITH_DIRECTORY or
// BLOBSMITH_ERROR_NOT_FOUND, for a name view_name accepts.
int stat_view_name(const blobsmith_pack* pack, const char* name, int32_t* index) {
  if (name[0] == '\0') return BLOBSMITH_DIRECTORY;
  // Below a file nothing is in the view.
  char leading[PACK_NAME_FIELD_SIZE];
  for (size_t k = 0; name[k] != '\0'; ++k) {
    if (!is_name_separator(name[k])) continue;
    std::memcpy(leading, name, k);
    leading[k] = '\0';
    if (view_file(pack, leading) >= 0) return BLOBSMITH_ERROR_NOT_FOUND;
  }
  *index = view_file(pack, name);
  if (*index >= 0) return BLOBSMITH_FILE;
  int32_t low = 0;
  int32_t high = 0;
  directory_range(pack, name, count_levels(name), &low, &high);
  return low < high ? BLOBSMITH_DIRECTORY : BLOBSMITH_ERROR_NOT_FOUND;
}

// The next entry at or after cursor->next: a file's name once (the first
// of its name in table order), a directory's at its first name unless a
// file has its name.
int next_entry(DirCursor* cursor, blobsmith_dir_entry* entry) {
  const blobsmith_pack* pack = cursor->pack;
  while (cursor->next < cursor->end) {
    const int32_t k = cursor->next;
    const char* name = ordered_name(pack, k);
    const char* level = name + cursor->prefix;
    const size_t length = std::strcspn(level, "\\/");
    const bool file = level[length] == '\0';
    cursor->next = upper_bound(pack, k + 1, cursor->end,
                               Probe{name, file ? INT_MAX : cursor->depth + 1, false});
    if (!file) {
      char as_file[PACK_NAME_FIELD_SIZE];
      const size_t whole = static_cast<size_t>(cursor->prefix) + length;
      std::memcpy(as_file, name, whole);
      as_file[whole] = '\0';
      if (view_file(pack, as_file) >= 0) continue;  // listed as that file
    }
    std::memcpy(entry->name, level, length);
    entry->name[length] = '\0';
    entry->kind = file ? BLOBSMITH_FILE : BLOBSMITH_DIRECTORY;
    entry->index = file ? pack->order[k] : -1;
    return 1;
  }
  return 0;
}

}  // namespace

}  // namespace blobsmith

using namespace blobsmith;  // NOLINT: the C interface below implements this namespace's view

extern "C" {

int blobsmith_stat(const blobsmith_pack* pack, const char* name, int32_t* index) {
  if (pack == nullptr || name == nullptr) return BLOBSMITH_ERROR_ARGUMENT;
  if (!view_name(name)) return BLOBSMITH_ERROR_NOT_FOUND;
  int32_t found = -1;
  const int kind = stat_view_name(pack, name, &found);
  if (index != nullptr && kind >= 0) *index = kind == BLOBSMITH_FILE ? found : -1;
  return kind;
}

int blobsmith_dir_begin(const blobsmith_pack* pack, const char* name, blobsmith_dir* dir) {
  if (pack == nullptr || name == nullptr || dir == nullptr) return BLOBSMITH_ERROR_ARGUMENT;
  int32_t unused = -1;
  if (!view_name(name) || stat_view_name(pack, name, &unused) != BLOBSMITH_DIRECTORY) {
    return BLOBSMITH_ERROR_NOT_FOUND;
  }
  DirCursor cursor{pack, 0, pack->canonical, 0, 0, CURSOR_MARK};
  if (name[0] != '\0') {
    cursor.depth = count_levels(name);
    cursor.prefix = static_cast<int32_t>(std::strlen(name)) + 1;
    directory_range(pack, name, cursor.depth, &cursor.next, &cursor.end);
  }
  std::memset(dir, 0, sizeof *dir);
  std::memcpy(dir, &cursor, sizeof cursor);
  return BLOBSMITH_OK;
}

int blobsmith_dir_next(blobsmith_dir* dir, blobsmith_dir_entry* entry) {
  if (dir == nullptr || entry == nullptr) return BLOBSMITH_ERROR_ARGUMENT;
  DirCursor cursor;
  std::memcpy(&cursor, dir, sizeof cursor);
  // A cursor that was never begun, or was written over, is refused rather
  // than followed outside the index.
  if (cursor.mark != CURSOR_MARK || cursor.pack == nullptr || cursor.next < 0 ||
      cursor.next > cursor.end || cursor.end > cursor.pack->canonical || cursor.prefix < 0 ||
      cursor.prefix > PACK_NAME_FIELD_SIZE || cursor.depth < 0) {
    return BLOBSMITH_ERROR_ARGUMENT;
  }
  const int given = next_entry(&cursor, entry);
  std::memcpy(dir, &cursor, sizeof cursor);
  return given;
}

}  // extern "C"
