// Fuzz target: the extractor on arbitrary pack bytes. Each input is written
// as a pack file and extracted into a fresh directory that has a sentinel
// file and a directory beside it, four levels below a private scratch
// directory. Aborts when anything outside the output directory appears or
// changes, when a link appears inside it, or when the output is larger than
// what the pack holds from each member's first block plus one block per
// member.
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "format/pack_format.h"
#include "fuzz_check.h"
#include "unpack/extract.h"

namespace fs = std::filesystem;
using namespace blobsmith;  // NOLINT: the target drives the tool's own extractor

namespace {

const char* const kLevels[] = {"l1", "l2", "l3", "work"};
std::string g_top;   // the private scratch directory
fs::path g_work;     // where the pack, the sentinel and the output go
std::string g_pack;  // g_work/pack.bin
std::string g_out;   // g_work/out

void write_bytes(const std::string& path, const uint8_t* data, const size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<std::string> names_in(const fs::path& dir) {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// Most the extractor may write for this pack: for each member, the bytes
// the file holds from the member's first block on (at most its size), plus
// one block for the read that comes up short.
uint64_t output_bound(const uint8_t* data, const size_t size) {
  if (size < PACK_HEADER_SIZE) return 0;
  const int32_t count = static_cast<int32_t>(get_u32_le(data + HEADER_ENTRY_COUNT_AT));
  if (count < 1 || count > PACK_MAX_USABLE_ENTRIES) return 0;
  uint64_t bound = 0;
  for (int32_t i = 0; i < count; ++i) {
    // Entries are read one after another; past the end they read as zero.
    unsigned char image[PACK_ENTRY_SIZE] = {};
    const size_t at = PACK_TABLE_OFFSET + static_cast<size_t>(i) * PACK_ENTRY_SIZE;
    if (at < size) std::memcpy(image, data + at, std::min<size_t>(PACK_ENTRY_SIZE, size - at));
    const uint32_t start_block = get_u32_le(image + ENTRY_START_BLOCK_AT);
    const int32_t byte_size = static_cast<int32_t>(get_u32_le(image + ENTRY_BYTE_SIZE_AT));
    if (byte_size <= 0) continue;
    const int32_t offset = static_cast<int32_t>(start_block * uint32_t{PACK_BLOCK_SIZE});
    const uint64_t held =
        offset >= 0 && static_cast<size_t>(offset) < size ? size - static_cast<size_t>(offset) : 0;
    bound += std::min<uint64_t>(held, static_cast<uint64_t>(byte_size)) + PACK_BLOCK_SIZE;
  }
  return bound;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  silence_stdout();
  // TMPDIR may name a memory file system, which makes each run cheaper.
  const char* tmp = std::getenv("TMPDIR");
  std::string scratch = std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") +
                        "/blobsmith-fuzz-XXXXXX";
  FUZZ_CHECK(mkdtemp(scratch.data()) != nullptr);
  g_top = scratch;
  fs::path dir = g_top;
  for (const char* level : kLevels) {
    dir /= level;
    fs::create_directory(dir);
  }
  // Absolute paths throughout: the fuzzing engine's own relative paths
  // must keep working, so the working directory is left alone.
  g_work = dir;
  g_pack = (dir / "pack.bin").string();
  g_out = (dir / "out").string();
  std::ofstream(dir / "sentinel") << "left alone\n";
  fs::create_directory(dir / "beside");
  std::ofstream(dir / "beside" / "keep") << "also left alone\n";
  // The scratch directory goes when the process ends normally.
  std::atexit([] {
    std::error_code ignored;
    fs::remove_all(g_top, ignored);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, const size_t size) {
  write_bytes(g_pack, data, size);
  const int status = extract_pack(g_pack.c_str(), g_out.c_str());
  FUZZ_CHECK(status >= 0 && status <= 2);

  // Nothing appeared or changed at any level above or beside the output.
  fs::path dir = g_top;
  for (const char* level : kLevels) {
    FUZZ_CHECK(names_in(dir) == std::set<std::string>{level});
    dir /= level;
  }
  const std::set<std::string> work = names_in(g_work);
  FUZZ_CHECK(work == std::set<std::string>({"beside", "pack.bin", "sentinel"}) ||
             work == std::set<std::string>({"beside", "out", "pack.bin", "sentinel"}));
  FUZZ_CHECK(read_bytes(g_work / "sentinel") == "left alone\n");
  FUZZ_CHECK(names_in(g_work / "beside") == std::set<std::string>{"keep"});
  FUZZ_CHECK(read_bytes(g_work / "beside" / "keep") == "also left alone\n");
  FUZZ_CHECK(read_bytes(g_pack) ==
             std::string(reinterpret_cast<const char*>(data), size));

  // Inside the output: only directories and regular files, within bound.
  uint64_t written = 0;
  std::error_code error;
  if (fs::exists(g_out)) {
    FUZZ_CHECK(fs::is_directory(fs::symlink_status(g_out)));
    for (auto it = fs::recursive_directory_iterator(g_out, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
      const fs::file_type type = it->symlink_status(error).type();
      FUZZ_CHECK(type == fs::file_type::regular || type == fs::file_type::directory);
      if (type == fs::file_type::regular) written += it->file_size(error);
    }
  }
  FUZZ_CHECK(written <= output_bound(data, size));
  fs::remove_all(g_out, error);
  return 0;
}
