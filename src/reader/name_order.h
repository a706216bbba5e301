// The order the run-time reader keeps named entries in, so that both its
// lookups and its directory view are binary searches over one index.
//
// A name is a run of levels split at "/" and "\\" alike. Two names compare
// level by level; a level first by its bytes with ASCII letters folded to
// lower case, followed by what ends it ("/" for a separator, zero at the
// name's end), then by its own bytes. Concatenated, the folded parts are the
// whole name folded, so for names whose directory levels never differ only
// in letter case this is the packer's order (compare_name_order) and a pack
// the tool wrote already stands in it. In general every leading run of
// levels, as bytes, holds a contiguous range of the order: a directory's
// names lie together, and in it each file and each subdirectory.
#ifndef BLOBSMITH_READER_NAME_ORDER_H_
#define BLOBSMITH_READER_NAME_ORDER_H_

#include <climits>

namespace blobsmith {

// Compares the stored name with the first `levels` levels of probe as the
// order above does. With fold_only_last the last of those levels is
// compared folded only (its own bytes are not looked at). Returns <0 or >0
// when the name sorts before or after every name beginning with those
// levels, and 0 when it begins with them.
int compare_to_probe(const char* name, const char* probe, int levels, bool fold_only_last);

// The order of two whole names: <0, 0 (equal but for "/" against "\\") or >0.
inline int compare_level_order(const char* a, const char* b) {
  return compare_to_probe(a, b, INT_MAX, false);
}

// True when the first level at which a and b differ as bytes is one that
// folds alike in both and is not the last of either: a directory level
// that differs only in letter case ("Img\\a" and "img\\b").
bool differ_in_directory_case(const char* a, const char* b);

// compare_level_order and differ_in_directory_case at once, found from the
// first byte at which the names differ: what the index's build asks of
// every two neighbours.
int compare_neighbours(const char* a, const char* b, bool* directory_case);

// The first level (counted from 1) at which name and probe fold apart,
// with *order set to <0 or >0 as name's folded level sorts before or after
// probe's; 0 when the two fold alike throughout.
int first_folded_difference(const char* name, const char* probe, int* order);

// The number of levels of a name; 0 for the empty name.
int count_levels(const char* name);

}  // namespace blobsmith

#endif  // BLOBSMITH_READER_NAME_ORDER_H_
