// Helpers shared by the in-process tests: a fresh working directory per
// test, whole-file reads and writes, and command lines run in-process.
#ifndef BLOBSMITH_TESTS_SUPPORT_TEST_SUPPORT_H_
#define BLOBSMITH_TESTS_SUPPORT_TEST_SUPPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "support/pack_image.h"

// An empty temporary directory, the working directory while the object
// lives, removed afterwards.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;

 private:
  std::string path_;
  std::string previous_;
};

void write_file(const std::string& path, const std::string& bytes);  // parents made
std::string read_file(const std::string& path);  // empty when it cannot be read
std::vector<std::string> list_tree(const std::string& dir);  // sorted, links not followed
std::string pattern_bytes(size_t size, unsigned seed);  // the same for the same seed

// Runs a command line in-process ("blobsmith" is put first) and returns
// what it printed; the exit status goes to *status when given.
std::string run_tool(const std::vector<std::string>& args, int* status = nullptr);
// What a mode's usage box prints ("--pack", "--unpack", "--list", "--verify").
std::string usage_box(const std::string& mode);

#ifndef _WIN32
// The path (in /proc) of the pack that process pid ("self") writes in dir
// (absolute), and whether it has no name yet; "" when it writes none there.
std::string pack_being_written(const std::string& pid, const std::string& dir, bool* unnamed);
#endif

#endif  // BLOBSMITH_TESTS_SUPPORT_TEST_SUPPORT_H_
