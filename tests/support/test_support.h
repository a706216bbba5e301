// Helpers shared by the unit tests: a fresh working directory per test,
// whole-file reads and writes, captured standard output, in-memory pack
// images and command lines run in-process.
#ifndef BLOBSMITH_TESTS_SUPPORT_TEST_SUPPORT_H_
#define BLOBSMITH_TESTS_SUPPORT_TEST_SUPPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "format/pack_format.h"

// Creates an empty temporary directory and makes it the working directory
// for the object's lifetime; removes it afterwards.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

// Writes bytes to path, creating its parent directories.
void write_file(const std::string& path, const std::string& bytes);
// The whole content of path; empty when it cannot be read.
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
// Every path below dir (files and directories, "/" between levels), sorted.
std::vector<std::string> list_tree(const std::string& dir);
// size bytes of a deterministic pattern that differs with seed.
std::string pattern_bytes(size_t size, unsigned seed);

// Starts capturing standard output; finish_capture returns what was printed.
void start_capture();
std::string finish_capture();

// Runs a command line in-process ("blobsmith" is put first) and returns
// what it printed. The process status is stored in *status when given.
std::string run_tool(const std::vector<std::string>& args, int* status = nullptr);

// A pack image built in memory, for feeding the extractor.
struct PackImageEntry {
  std::string name;  // stored bytes of the name field (cut to 56)
  uint32_t start_block;
  int32_t byte_size;
};
// header image + 3 zero blocks + table of 2048 entries + data; entry_count
// is written as given. data is appended at offset 133120.
std::string build_pack_image(int32_t entry_count, const std::vector<PackImageEntry>& entries,
                             const std::string& data);

// The expected stdout of a tool run that begins with a usage box.
std::string pack_usage_text();
std::string unpack_usage_text();

#endif  // BLOBSMITH_TESTS_SUPPORT_TEST_SUPPORT_H_
