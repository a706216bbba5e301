// Rules for the relative names stored in pack entries.
#include "format/member_name.h"

#include <cstddef>

namespace blobsmith {

int compare_folded_names(const char* a, const char* b) {
  for (size_t i = 0;; ++i) {
    const unsigned x = fold_name_byte(a[i]);
    const unsigned y = fold_name_byte(b[i]);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
}

int compare_name_order(const char* a, const char* b) {
  const int folded = compare_folded_names(a, b);
  if (folded != 0) return folded;
  for (size_t i = 0; a[i] != '\0'; ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]);
    const unsigned char y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

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

}  // namespace blobsmith
