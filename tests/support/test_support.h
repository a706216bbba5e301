// Helpers shared by the in-process tests: a fresh working directory per
// test, whole-file reads and writes, and command lines run in-process.
#ifndef BLOBSMITH_TESTS_SUPPORT_TEST_SUPPORT_H_
#define BLOBSMITH_TESTS_SUPPORT_TEST_SUPPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "support/pack_image.h"

// Creates an empty temporary directory and makes it the working directory
// for the object's lifetime; removes it afterwards.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

 private:
  std::string path_;
  std::string previous_;
};

// Writes bytes to path, creating its parent directories.
void write_file(const std::string& path, const std::string& bytes);
// The whole content of path; empty when it cannot be read.
std::string read_file(const std::string& path);
// Every path below dir ("/" between levels, links not followed), sorted.
std::vector<std::string> list_tree(const std::string& dir);
// size bytes of a deterministic pattern that differs with seed.
std::string pattern_bytes(size_t size, unsigned seed);

// Runs a command line in-process ("blobsmith" is put first) and returns
// what it printed; the exit status goes to *status when given.
std::string run_tool(const std::vector<std::string>& args, int* status = nullptr);
// What a mode's usage box prints ("--pack", "--unpack", "--list", "--verify").
std::string usage_box(const std::string& mode);

#endif  // BLOBSMITH_TESTS_SUPPORT_TEST_SUPPORT_H_
