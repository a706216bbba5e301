// Helpers shared by the in-process tests: a fresh working directory per
// test, whole-file reads and writes, captured standard output, command
// lines run in-process, and pack images built in memory.
#ifndef BLOBSMITH_TESTS_SUPPORT_TEST_SUPPORT_H_
#define BLOBSMITH_TESTS_SUPPORT_TEST_SUPPORT_H_

#include <cstdint>
#include <string>
#include <vector>

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

// One table entry of a pack image, its name field as raw bytes (cut to 56).
struct ImageEntry {
  std::string name;
  uint32_t start_block;
  int32_t byte_size;
};
// A header holding entry_count, stamped 2026-01-02 03:04, machine "q5";
// three zero blocks; the table; data from offset 133120. No checksum.
std::string pack_image(int32_t entry_count, const std::vector<ImageEntry>& entries,
                       const std::string& data);

// A member as the packer lays it out; zeroed: a source that could not be
// read (an all-zero entry, no data).
struct ImageMember {
  std::string name;  // as stored, "\\" between levels
  std::string bytes;
  bool zeroed;
};
// The whole image the packer writes for members in this order: contiguous
// zero-padded data from block 260 and the trailing checksum.
std::string sound_pack_image(const std::vector<ImageMember>& members);

#endif  // BLOBSMITH_TESTS_SUPPORT_TEST_SUPPORT_H_
