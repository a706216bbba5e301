// Members chosen by name.
#include "unpack/select.h"

#include <cstring>
#include <string>

#include "format/member_name.h"
#include "format/pack_format.h"

namespace blobsmith {

namespace {

// The stored name of entry i, or nullptr when it names no member.
const char* member_name(const unsigned char* table, const int32_t i) {
  const char* name =
      reinterpret_cast<const char*>(table + static_cast<size_t>(i) * PACK_ENTRY_SIZE);
  if (name[0] == '\0' || std::memchr(name, 0, PACK_NAME_FIELD_SIZE) == nullptr) return nullptr;
  return name;
}

// True when a and b are the same byte for byte, "/" and "\\" alike.
bool same_name(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (*a != *b && !(is_name_separator(*a) && is_name_separator(*b))) return false;
    if (*a == '\0') return true;
  }
}

// True when name lies below the directory dir (folded, dir_length bytes).
bool is_below(const char* name, const char* dir, const size_t dir_length) {
  for (size_t i = 0; i < dir_length; ++i) {
    if (fold_name_byte(name[i]) != fold_name_byte(dir[i])) return false;
  }
  return is_name_separator(name[dir_length]);
}

}  // namespace

int choose_members(const unsigned char* table, const int32_t count, const char* name,
                   const bool directories, std::vector<bool>* chosen) {
  int32_t found = -1;
  for (int32_t i = 0; i < count; ++i) {
    const char* stored = member_name(table, i);
    if (stored == nullptr || compare_folded_names(stored, name) != 0) continue;
    if (found < 0 || same_name(stored, name)) found = i;
    if (same_name(stored, name)) break;
  }
  if (found >= 0) {
    (*chosen)[static_cast<size_t>(found)] = true;
    return 1;
  }
  if (!directories) return 0;
  size_t length = std::strlen(name);
  while (length > 0 && is_name_separator(name[length - 1])) --length;
  if (length == 0) return 0;
  int marked = 0;
  for (int32_t i = 0; i < count; ++i) {
    const char* stored = member_name(table, i);
    if (stored == nullptr || !is_below(stored, name, length)) continue;
    (*chosen)[static_cast<size_t>(i)] = true;
    ++marked;
  }
  return marked;
}

}  // namespace blobsmith
