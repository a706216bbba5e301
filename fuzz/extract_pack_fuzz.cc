// Fuzz target: the extractor on arbitrary pack bytes, beside a sentinel file
// and a directory, below private levels of a scratch directory. Aborts when
// anything outside the output appears or changes, a link or special file
// appears inside it, it outgrows what the pack holds from each member's first
// block plus a block a member, or the status is not one of the three.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "format/pack_format.h"
#include "fuzz_check.h"
#include "unpack/extract.h"

namespace fs = std::filesystem;
using namespace blobsmith;  // NOLINT: the target drives the tool's own extractor

namespace {

fs::path g_top;   // the private scratch directory
fs::path g_work;  // g_top/l1/l2/work: the pack, the sentinel, the output

std::string read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every path below top with its bytes (files) or kind, the output left out.
std::string snapshot(const fs::path& top) {
  std::string seen;
  for (auto it = fs::recursive_directory_iterator(top); it != fs::recursive_directory_iterator();
       ++it) {
    if (it->path() == g_work / "out") it.disable_recursion_pending();
    if (it->path() != g_work / "out") {
      seen +=
          it->path().string() + (it->is_regular_file() ? "=" + read_bytes(it->path()) : "/") + "\n";
    }
  }
  return seen;
}

// Most the extractor may write: for each member, what the file holds from
// its first block on (at most its size), plus one block for a short read.
uint64_t output_bound(const uint8_t* data, const size_t size) {
  if (size < PACK_HEADER_SIZE) return 0;
  const int32_t count = static_cast<int32_t>(get_u32_le(data + HEADER_ENTRY_COUNT_AT));
  if (count < 1 || count > PACK_MAX_USABLE_ENTRIES) return 0;
  uint64_t bound = 0;
  for (int32_t i = 0; i < count; ++i) {
    unsigned char image[PACK_ENTRY_SIZE] = {};  // past the end, entries read as zero
    const size_t at = PACK_TABLE_OFFSET + static_cast<size_t>(i) * PACK_ENTRY_SIZE;
    if (at < size) std::memcpy(image, data + at, std::min<size_t>(PACK_ENTRY_SIZE, size - at));
    const int32_t byte_size = static_cast<int32_t>(get_u32_le(image + ENTRY_BYTE_SIZE_AT));
    if (byte_size <= 0) continue;
    const int32_t offset = static_cast<int32_t>(get_u32_le(image + ENTRY_START_BLOCK_AT) * 512u);
    const size_t from = static_cast<size_t>(offset);
    const uint64_t held = offset >= 0 && from < size ? size - from : 0;
    bound += std::min<uint64_t>(held, static_cast<uint64_t>(byte_size)) + PACK_BLOCK_SIZE;
  }
  return bound;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  silence_stdout();
  const char* tmp = std::getenv("TMPDIR");  // may name a memory file system
  std::string scratch =
      std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/blobsmith-fuzz-XXXXXX";
  FUZZ_CHECK(mkdtemp(scratch.data()) != nullptr);
  g_top = scratch;
  g_work = g_top / "l1" / "l2" / "work";
  fs::create_directories(g_work / "beside");
  std::ofstream(g_work / "sentinel") << "left alone\n";
  std::ofstream(g_work / "beside" / "keep") << "also left alone\n";
  std::atexit([] { fs::remove_all(g_top); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, const size_t size) {
  const std::string pack(reinterpret_cast<const char*>(data), size);
  std::ofstream(g_work / "pack.bin", std::ios::binary | std::ios::trunc) << pack;
  const std::string before = snapshot(g_top);
  // Odd sizes are extracted by three threads: the same checks hold.
  const int status = extract_pack((g_work / "pack.bin").c_str(), (g_work / "out").c_str(), nullptr,
                                  size % 2 == 1 ? 3 : 1);
  FUZZ_CHECK(status >= 0 && status <= 2);
  FUZZ_CHECK(snapshot(g_top) == before);

  // Inside the output: only directories and regular files, within bound.
  uint64_t written = 0;
  const fs::path out = g_work / "out";
  if (fs::exists(out)) {
    FUZZ_CHECK(fs::is_directory(fs::symlink_status(out)));
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(out)) {
      const fs::file_type type = entry.symlink_status().type();
      FUZZ_CHECK(type == fs::file_type::regular || type == fs::file_type::directory);
      if (type == fs::file_type::regular) written += entry.file_size();
    }
  }
  FUZZ_CHECK(written <= output_bound(data, size));
  fs::remove_all(out);
  return 0;
}
