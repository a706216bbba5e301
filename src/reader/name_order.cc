// The reader's order of names, level by level.
#include "reader/name_order.h"

#include <cstddef>

#include "format/member_name.h"

namespace blobsmith {

namespace {

// A byte as a level's folded part compares it: both separators as "/",
// which nothing else folds to, and the name's end as zero.
inline unsigned level_byte(const char c) { return fold_name_byte(c); }

inline bool ends_level(const unsigned folded) { return folded == '/' || folded == 0; }

// One level of a and of b, from their starts. Returns the folded order of
// the two levels, each with what ends it; when they fold alike, *raw is the
// order of their own bytes and *length the level's length.
int compare_level(const char* a, const char* b, int* raw, int* length) {
  *raw = 0;
  for (int i = 0;; ++i) {
    const unsigned x = level_byte(a[i]);
    const unsigned y = level_byte(b[i]);
    if (x != y) return x < y ? -1 : 1;
    if (ends_level(x)) {
      *length = i;
      return 0;
    }
    if (*raw == 0 && a[i] != b[i]) {
      *raw = static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
    }
  }
}

}  // namespace

int compare_to_probe(const char* name, const char* probe, const int levels,
                     const bool fold_only_last) {
  for (int level = 1; level <= levels; ++level) {
    int raw = 0;
    int length = 0;
    const int folded = compare_level(name, probe, &raw, &length);
    if (folded != 0) return folded;
    if (raw != 0 && !(fold_only_last && level == levels)) return raw;
    if (name[length] == '\0') return 0;  // both end here
    name += length + 1;
    probe += length + 1;
  }
  return 0;
}

bool differ_in_directory_case(const char* a, const char* b) {
  for (;;) {
    int raw = 0;
    int length = 0;
    if (compare_level(a, b, &raw, &length) != 0) return false;
    if (raw != 0) return a[length] != '\0';
    if (a[length] == '\0') return false;
    a += length + 1;
    b += length + 1;
  }
}

int compare_neighbours(const char* a, const char* b, bool* directory_case) {
  *directory_case = false;
  for (size_t i = 0;; ++i) {
    // Equal bytes, or the two separators, change nothing.
    if (a[i] == b[i] || (is_name_separator(a[i]) && is_name_separator(b[i]))) {
      if (a[i] == '\0') return 0;
      continue;
    }
    // The first difference: the rest of its level, folded, decides when it
    // differs there; else the level differs only in case, and its bytes do.
    for (size_t k = i;; ++k) {
      const unsigned x = level_byte(a[k]);
      const unsigned y = level_byte(b[k]);
      if (x != y) return x < y ? -1 : 1;
      if (ends_level(x)) {
        *directory_case = x == '/';
        return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
      }
    }
  }
}

int first_folded_difference(const char* name, const char* probe, int* order) {
  for (int level = 1;; ++level) {
    int raw = 0;
    int length = 0;
    *order = compare_level(name, probe, &raw, &length);
    if (*order != 0) return level;
    if (name[length] == '\0') return 0;
    name += length + 1;
    probe += length + 1;
  }
}

int count_levels(const char* name) {
  if (name[0] == '\0') return 0;
  int levels = 1;
  for (; *name != '\0'; ++name) levels += is_name_separator(*name);
  return levels;
}

}  // namespace blobsmith
