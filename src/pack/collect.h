// Collecting the files of a tree into the NameTable, and their order.
#ifndef BLOBSMITH_PACK_COLLECT_H_
#define BLOBSMITH_PACK_COLLECT_H_

#include <string>
#include <vector>

#include "format/pack_format.h"
#include "platform/io.h"

namespace blobsmith {

constexpr int MAX_IGNORE_NAMES = 30;

// Names left out of the walk wherever they occur: bare names, patterns on
// bare names, and patterns on paths below the input directory, as
// ignore_pattern_matches reads them. Each refers to an argument string.
struct IgnoreList {
  const char* names[MAX_IGNORE_NAMES];
  int count;
};

// Process-wide: filled by the pack command's option walk, read by the walk.
extern IgnoreList g_ignore_list;

// PACK_MAX_ENTRIES slots of PATH_BUFFER_SIZE bytes, each a collected path,
// and what the walk saw at each (a PathKind): only a regular file is ever
// opened, so a FIFO, socket or device in the tree is never opened at all.
struct NameTable {
  char slots[PACK_MAX_ENTRIES][PATH_BUFFER_SIZE];
  unsigned char kinds[PACK_MAX_ENTRIES];
};

// What a walk is told about the pack it feeds, and what it found.
struct WalkReport {
  const FileIdentity* output;             // in: the file the pack will replace, or nullptr
  bool output_is_pack;                    // in: that file is an earlier pack, left out
  bool top_unreadable;                    // out: dir itself cannot be searched
  bool output_met;                        // out: the output, not a pack, is one of the files
  int skipped;                            // out: files and directories reported and left out
  const FileIdentity* depfile = nullptr;  // in: a dependency file, never packed
  bool depfile_is_ours = false;           // in: it is an earlier one of this pack's
  bool depfile_met = false;               // out: it is one of the files, and not ours
  std::vector<std::string>* directories = nullptr;  // out, when given: each directory walked
};

// Walks dir depth-first and stores the path (dir, "/", then the levels below
// joined by "/") of every file that is not on the ignore list and whose
// relative path (the path from prefix_len on) fits 55 characters, into
// slots first_index, first_index + 1, ... never more than capacity of them.
// Each directory's entries are taken in name order, and each directory is
// entered once, however many links lead to it. Reported and left out, the
// run going on: a path too long for a name or a path buffer, a name holding
// "\\" where it is not a separator (it would come back as a level), and a
// directory below dir that cannot be searched, a first level that is a
// drive prefix ("c:x" names a file on drive c on Windows, so it could never
// come back), and a temporary pack an interrupted run left behind (it may
// belong to a run still going, so it is neither packed nor removed). The
// output file named in the report is left out. Returns the number of paths
// stored.
int collect_files(const char* dir, NameTable* table, int prefix_len, int first_index, int capacity,
                  WalkReport* report = nullptr);

// Orders two slots, as handed to qsort, by compare_name_order. Returns a
// negative value, zero or a positive value.
int compare_names(const void* a, const void* b);

// Sorts the first count slots by compare_names, each slot's kind with it.
void sort_name_table(NameTable* table, int count);

// Prints one line for each sorted name that a Windows file system cannot
// hold, and for each two that would land on one file there or on any file
// system that folds letter case: names that differ only in letter case, or
// in trailing dots and spaces, and a file whose name is a directory level of
// another. Such names are packed; the lines tell the user before a device
// or a colleague on Windows meets them. Returns the number of lines.
int report_name_clashes(const NameTable& table, int count, int prefix_len);

}  // namespace blobsmith

#endif  // BLOBSMITH_PACK_COLLECT_H_
