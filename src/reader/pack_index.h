// The index of an open pack (reader/pack_record.h) and the searches over
// it: the lookups of blobsmith_find and blobsmith_find_exact, and the
// ranges the directory view walks.
#ifndef BLOBSMITH_READER_PACK_INDEX_H_
#define BLOBSMITH_READER_PACK_INDEX_H_

#include <cstdint>

#include "reader/pack_record.h"

namespace blobsmith {

// Fills pack->order, named, canonical and plain from the table, sorting in
// place (no allocation) unless the table already stands in the order.
void build_index(blobsmith_pack* pack);

// The names beginning with the first `levels` levels of name, compared as
// compare_to_probe does.
struct Probe {
  const char* name;
  int levels;
  bool fold_only_last;
};

// The first position in [low, high) whose name does not sort before the
// probe's names, and the first whose name sorts after them.
int32_t lower_bound(const blobsmith_pack* pack, int32_t low, int32_t high, const Probe& probe);
int32_t upper_bound(const blobsmith_pack* pack, int32_t low, int32_t high, const Probe& probe);

// The first entry in table order at positions [low, high) called exactly
// name ("/" and "\\" alike), or -1.
int32_t find_exact_between(const blobsmith_pack* pack, int32_t low, int32_t high, const char* name);

// blobsmith_find (fold) and blobsmith_find_exact: an index, or
// BLOBSMITH_ERROR_NOT_FOUND.
int32_t find_member(const blobsmith_pack* pack, const char* name, bool fold);

}  // namespace blobsmith

#endif  // BLOBSMITH_READER_PACK_INDEX_H_
