// The index of an open pack: building it, and searching it.
#include "reader/pack_index.h"

#include <cstring>

#include "format/member_name.h"
#include "reader/name_order.h"

namespace blobsmith {

namespace {

// Two named entries in the index's order, the table order breaking ties.
bool entry_before(const blobsmith_pack* pack, const uint16_t a, const uint16_t b) {
  const int order = compare_level_order(entry_name(pack, a), entry_name(pack, b));
  return order < 0 || (order == 0 && a < b);
}

void sift_down(const blobsmith_pack* pack, uint16_t* heap, size_t root, const size_t size) {
  for (size_t child = 2 * root + 1; child < size; child = 2 * root + 1) {
    if (child + 1 < size && entry_before(pack, heap[child], heap[child + 1])) ++child;
    if (!entry_before(pack, heap[root], heap[child])) return;
    const uint16_t kept = heap[root];
    heap[root] = heap[child];
    heap[child] = kept;
    root = child;
  }
}

// Sorts one part of the index in place unless it is sorted already, and
// says whether it is plain (see pack_record.h).
bool sort_part(const blobsmith_pack* pack, uint16_t* part, const size_t size) {
  bool sorted = true;
  bool plain = true;
  for (size_t k = 1; k < size && sorted; ++k) {
    bool directory_case = false;
    const int order = compare_neighbours(entry_name(pack, part[k - 1]), entry_name(pack, part[k]),
                                         &directory_case);
    sorted = order < 0 || (order == 0 && part[k - 1] < part[k]);
    plain = plain && !directory_case;
  }
  if (sorted) return plain;
  for (size_t root = size / 2; root-- > 0;) sift_down(pack, part, root, size);
  for (size_t end = size; end-- > 1;) {
    const uint16_t top = part[0];
    part[0] = part[end];
    part[end] = top;
    sift_down(pack, part, 0, end);
  }
  for (size_t k = 1; k < size; ++k) {
    if (differ_in_directory_case(entry_name(pack, part[k - 1]), entry_name(pack, part[k]))) {
      return false;
    }
  }
  return true;
}

// A stored name against a name already folded, as compare_folded_names.
int compare_with_key(const char* stored, const unsigned char* key) {
  for (size_t i = 0;; ++i) {
    const unsigned a = fold_name_byte(stored[i]);
    if (a != key[i]) return a < key[i] ? -1 : 1;
    if (a == 0) return 0;
  }
}

inline void keep_lowest(int32_t* best, const int32_t index) {
  if (index >= 0 && (*best < 0 || index < *best)) *best = index;
}

// In a plain pack the names folding alike lie together: one search finds
// them, and a walk over them the lowest index equal byte for byte and the
// lowest of all.
void find_folded_run(const blobsmith_pack* pack, int32_t low, const int32_t high,
                     const unsigned char* key, const char* name, int32_t* exact, int32_t* folded) {
  for (int32_t count = high - low; count > 0;) {
    const int32_t half = count / 2;
    if (compare_with_key(ordered_name(pack, low + half), key) < 0) {
      low += half + 1;
      count -= half + 1;
    } else {
      count = half;
    }
  }
  for (int32_t k = low; k < high && compare_with_key(ordered_name(pack, k), key) == 0; ++k) {
    if (compare_level_order(ordered_name(pack, k), name) == 0) keep_lowest(exact, pack->order[k]);
    keep_lowest(folded, pack->order[k]);
  }
}

// In any pack: the lowest index among the names folding alike with name,
// found by skipping, one search at a time, every run of names that shares
// a leading level of bytes which cannot lead to a match. Each step either
// takes a match or passes a run, so the steps are as many as the runs of
// names that differ from name only in letter case.
int32_t find_folded_by_skipping(const blobsmith_pack* pack, const int32_t low, const int32_t high,
                                const char* name) {
  const Probe first_level{name, 1, true};
  int32_t k = lower_bound(pack, low, high, first_level);
  const int32_t end = upper_bound(pack, k, high, first_level);
  int32_t best = -1;
  while (k < end) {
    const char* stored = ordered_name(pack, k);
    int order = 0;
    const int level = first_folded_difference(stored, name, &order);
    if (level == 0) {
      keep_lowest(&best, pack->order[k]);  // the first of its own name
      k = upper_bound(pack, k + 1, end, Probe{stored, INT_MAX, false});
    } else if (order > 0) {
      // Past the name within the run sharing stored's first level - 1 levels.
      k = upper_bound(pack, k + 1, end, Probe{stored, level - 1, false});
    } else {
      // On to name's level within that run: stored's leading levels, then
      // name's level (and the rest of name, which the probe does not reach).
      char probe[2 * PACK_NAME_FIELD_SIZE];
      size_t length = 0;
      for (int passed = 0; passed < level - 1; ++length) {
        passed += is_name_separator(stored[length]);
      }
      const char* rest = name;
      for (int passed = 0; passed < level - 1; ++rest) passed += is_name_separator(*rest);
      std::memcpy(probe, stored, length);
      std::memcpy(probe + length, rest, std::strlen(rest) + 1);
      k = lower_bound(pack, k + 1, end, Probe{probe, level, true});
    }
  }
  return best;
}

}  // namespace

void build_index(blobsmith_pack* pack) {
  // Canonical names from the front, the others from the back, each in
  // table order; then the others are moved up behind the first.
  int32_t front = 0;
  int32_t back = pack->count;
  for (int32_t i = 0; i < pack->count; ++i) {
    const char* name = entry_name(pack, i);
    if (name[0] == '\0' || std::memchr(name, 0, PACK_NAME_FIELD_SIZE) == nullptr) continue;
    const uint16_t index = static_cast<uint16_t>(i);
    if (member_name_fault(name) == NAME_CANONICAL) {
      pack->order[front++] = index;
    } else {
      pack->order[--back] = index;
    }
  }
  const int32_t others = pack->count - back;
  for (int32_t low = back, high = pack->count - 1; low < high; ++low, --high) {
    const uint16_t kept = pack->order[low];
    pack->order[low] = pack->order[high];
    pack->order[high] = kept;
  }
  std::memmove(pack->order + front, pack->order + back,
               static_cast<size_t>(others) * sizeof *pack->order);
  pack->canonical = front;
  pack->named = front + others;
  const bool canonical_plain = sort_part(pack, pack->order, static_cast<size_t>(front));
  pack->plain =
      sort_part(pack, pack->order + front, static_cast<size_t>(others)) && canonical_plain;
}

int32_t lower_bound(const blobsmith_pack* pack, int32_t low, const int32_t high,
                    const Probe& probe) {
  for (int32_t count = high - low; count > 0;) {
    const int32_t half = count / 2;
    if (compare_to_probe(ordered_name(pack, low + half), probe.name, probe.levels,
                         probe.fold_only_last) < 0) {
      low += half + 1;
      count -= half + 1;
    } else {
      count = half;
    }
  }
  return low;
}

int32_t upper_bound(const blobsmith_pack* pack, int32_t low, const int32_t high,
                    const Probe& probe) {
  for (int32_t count = high - low; count > 0;) {
    const int32_t half = count / 2;
    if (compare_to_probe(ordered_name(pack, low + half), probe.name, probe.levels,
                         probe.fold_only_last) <= 0) {
      low += half + 1;
      count -= half + 1;
    } else {
      count = half;
    }
  }
  return low;
}

int32_t find_exact_between(const blobsmith_pack* pack, const int32_t low, const int32_t high,
                           const char* name) {
  const int32_t k = lower_bound(pack, low, high, Probe{name, INT_MAX, false});
  return k < high && compare_level_order(ordered_name(pack, k), name) == 0 ? pack->order[k] : -1;
}

int32_t find_member(const blobsmith_pack* pack, const char* name, const bool fold) {
  // A name longer than a stored name can be is in no pack.
  unsigned char key[PACK_NAME_FIELD_SIZE];
  size_t length = 0;
  for (; length < PACK_NAME_FIELD_SIZE && name[length] != '\0'; ++length) {
    key[length] = static_cast<unsigned char>(fold_name_byte(name[length]));
  }
  if (length == PACK_NAME_FIELD_SIZE) return BLOBSMITH_ERROR_NOT_FOUND;
  key[length] = 0;
  const int32_t parts[2][2] = {{0, pack->canonical}, {pack->canonical, pack->named}};
  int32_t exact = -1;
  int32_t folded = -1;
  if (fold && pack->plain) {
    for (const auto& part : parts) {
      find_folded_run(pack, part[0], part[1], key, name, &exact, &folded);
    }
  } else {
    for (const auto& part : parts) {
      keep_lowest(&exact, find_exact_between(pack, part[0], part[1], name));
    }
    if (fold && exact < 0) {
      for (const auto& part : parts) {
        keep_lowest(&folded, find_folded_by_skipping(pack, part[0], part[1], name));
      }
    }
  }
  if (exact >= 0) return exact;
  if (fold && folded >= 0) return folded;
  return BLOBSMITH_ERROR_NOT_FOUND;
}

}  // namespace blobsmith
