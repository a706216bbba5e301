// Collecting the files of a tree into the NameTable, and their order.
#ifndef BLOBSMITH_PACK_COLLECT_H_
#define BLOBSMITH_PACK_COLLECT_H_

#include "format/pack_format.h"
#include "platform/io.h"

constexpr int MAX_IGNORE_NAMES = 30;

// Names left out of the walk wherever they occur, compared with the bare
// names of directory entries. Each refers to an argument string.
struct IgnoreList {
  const char* names[MAX_IGNORE_NAMES];
  int count;
};

// Process-wide: filled by the pack command's option walk, read by the walk.
extern IgnoreList g_ignore_list;

// PACK_MAX_ENTRIES slots of PATH_BUFFER_SIZE bytes, each a collected path.
struct NameTable {
  char slots[PACK_MAX_ENTRIES][PATH_BUFFER_SIZE];
};

// Walks dir depth-first and stores the path (dir, "/", then the levels below
// joined by "/") of every file that is not on the ignore list and whose
// relative path (the path from prefix_len on) fits 55 characters, into
// slots first_index, first_index + 1, ... in the order met, never more than
// capacity of them. A file whose relative path is too long, or whose path
// would not fit a path buffer, is reported and left out. Symbolic links are
// followed, but a directory already on the walk's path is not entered
// again. When excluded is given, the file it identifies (the pack being
// written) is left out. A directory that cannot be searched adds nothing.
// Returns the number of paths stored.
int collect_files(const char* dir, NameTable* table, int prefix_len, int first_index,
                  int capacity, const FileIdentity* excluded = nullptr);

// Orders two slots, as handed to qsort, by their bytes with 'A' to 'Z'
// folded to 'a' to 'z'; a proper prefix sorts first. Returns a negative
// value, zero or a positive value.
int compare_names(const void* a, const void* b);

#endif  // BLOBSMITH_PACK_COLLECT_H_
