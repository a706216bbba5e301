// Rules for the relative names stored in pack entries.
#include "format/member_name.h"

#include <cstddef>

bool is_name_separator(const char c) { return c == '\\' || c == '/'; }

bool member_name_is_safe(const char* name) {
  if (is_name_separator(name[0])) return false;
  const bool ascii_letter =
      (name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z');
  if (ascii_letter && name[1] == ':') return false;
  const char* level = name;
  for (const char* p = name;; ++p) {
    if (*p == '\0' || is_name_separator(*p)) {
      if (p - level == 2 && level[0] == '.' && level[1] == '.') return false;
      if (*p == '\0') return true;
      level = p + 1;
    }
  }
}

namespace {

unsigned fold_name_byte(const char c, const bool backslash_is_slash) {
  unsigned value = static_cast<unsigned char>(c);
  if (value >= 'A' && value <= 'Z') value += 'a' - 'A';
  if (backslash_is_slash && value == '\\') value = '/';
  return value;
}

}  // namespace

int compare_name_order(const char* a, const char* b, const bool backslash_is_slash) {
  for (size_t i = 0;; ++i) {
    const unsigned x = fold_name_byte(a[i], backslash_is_slash);
    const unsigned y = fold_name_byte(b[i], backslash_is_slash);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
}
