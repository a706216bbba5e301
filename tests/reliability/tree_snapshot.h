// What stands in a directory tree, for checking that a run wrote nowhere
// it should not: every path with its kind, and for files their size and a
// hash of their bytes, for links their target.
#ifndef BLOBSMITH_TESTS_RELIABILITY_TREE_SNAPSHOT_H_
#define BLOBSMITH_TESTS_RELIABILITY_TREE_SNAPSHOT_H_

#include <cstdint>
#include <map>
#include <string>

// Every path below dir ("/" between levels) and a description of it. Links
// are described, never followed; the subtree at dir/skip is left out.
std::map<std::string, std::string> snapshot_tree(const std::string& dir, const std::string& skip);

// Total size of the regular files below dir; links are not followed.
uint64_t tree_file_bytes(const std::string& dir);

#endif  // BLOBSMITH_TESTS_RELIABILITY_TREE_SNAPSHOT_H_
