// The run-time reader on a full pack (2047 members, the most the tool
// writes): a lookup by name, and a lookup with a read of a 4 KiB member,
// from a pack in memory and from a file, on 1, 2 and 8 threads sharing one
// open pack; a plain scan of the table for comparison; opening a pack;
// listing every directory of it; and verifying it, beside the checksum
// fold alone over the same bytes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "blobsmith/reader.h"
#include "format/checksum.h"
#include "format/member_name.h"
#include "format/pack_format.h"
#include "support/pack_image.h"

using namespace blobsmith;  // NOLINT: the benchmark compares with the format's own order

namespace {

constexpr int MEMBER_COUNT = PACK_MAX_USABLE_ENTRIES;
constexpr size_t MEMBER_SIZE = 4096;

// A pack of 2047 members of 4 KiB in the packer's order, in memory and in a
// temporary file, and the names to look up, shuffled, "/" between levels
// and in upper case.
struct Fixture {
  std::string image;
  std::string path;
  std::vector<std::string> queries;
  blobsmith_pack* memory = nullptr;
  blobsmith_pack* file = nullptr;

  Fixture() {
    const char* kinds[] = {"textures", "sounds", "levels", "fonts", "shaders", "ui"};
    std::vector<ImageMember> members;
    for (int i = 0; i < MEMBER_COUNT; ++i) {
      char name[PACK_NAME_FIELD_SIZE];
      std::snprintf(name, sizeof name, "%s\\set%02d\\item_%04d.bin", kinds[i % 6], i % 37, i);
      members.push_back(ImageMember{name, std::string(MEMBER_SIZE, static_cast<char>(i)), false});
      std::string query = name;
      for (char& c : query) c = c == '\\' ? '/' : static_cast<char>(std::toupper(c));
      queries.push_back(query);
    }
    std::sort(members.begin(), members.end(), [](const ImageMember& a, const ImageMember& b) {
      return compare_name_order(a.name.c_str(), b.name.c_str()) < 0;
    });
    image = sound_pack_image(members);
    std::shuffle(queries.begin(), queries.end(), std::mt19937(2047));
    char pattern[] = "/tmp/blobsmith-lookup-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) std::abort();
    close(fd);
    path = pattern;
    std::ofstream(path, std::ios::binary) << image;
    if (blobsmith_open_memory(image.data(), image.size(), nullptr, &memory) != BLOBSMITH_OK ||
        blobsmith_open_file(path.c_str(), nullptr, &file) != BLOBSMITH_OK) {
      std::abort();
    }
  }
  ~Fixture() {
    blobsmith_close(memory);
    blobsmith_close(file);
    std::remove(path.c_str());
  }
};

Fixture& fixture() {
  static Fixture* shared = new Fixture();
  return *shared;
}

void BM_Find(benchmark::State& state) {
  const Fixture& f = fixture();
  size_t i = static_cast<size_t>(state.thread_index()) * 101;
  for (auto _ : state) {
    benchmark::DoNotOptimize(blobsmith_find(f.memory, f.queries[i++ % f.queries.size()].c_str()));
  }
}
BENCHMARK(BM_Find)->Threads(1)->Threads(2)->Threads(8)->UseRealTime();

// Find, then read the whole 4 KiB member: arg 0 from memory, arg 1 from the file.
void BM_FindAndRead4K(benchmark::State& state) {
  const Fixture& f = fixture();
  const blobsmith_pack* pack = state.range(0) == 0 ? f.memory : f.file;
  std::vector<char> buffer(MEMBER_SIZE);
  size_t i = static_cast<size_t>(state.thread_index()) * 101;
  for (auto _ : state) {
    const int32_t index = blobsmith_find(pack, f.queries[i++ % f.queries.size()].c_str());
    if (blobsmith_read_member(pack, index, buffer.data(), buffer.size()) != MEMBER_SIZE) {
      state.SkipWithError("read failed");
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * MEMBER_SIZE));
}
BENCHMARK(BM_FindAndRead4K)
    ->ArgName("file")
    ->Arg(0)
    ->Arg(1)
    ->Threads(1)
    ->Threads(2)
    ->Threads(8)
    ->UseRealTime();

// For comparison: a scan of the table comparing folded names.
void BM_LinearScan(benchmark::State& state) {
  const Fixture& f = fixture();
  size_t i = 0;
  for (auto _ : state) {
    const std::string& query = f.queries[i++ % f.queries.size()];
    int32_t found = -1;
    for (int32_t k = 0; k < MEMBER_COUNT && found < 0; ++k) {
      const char* name = &f.image[PACK_TABLE_OFFSET + static_cast<size_t>(k) * PACK_ENTRY_SIZE];
      if (compare_folded_names(name, query.c_str()) == 0) found = k;
    }
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_LinearScan);

// Opening: arg 0 from memory, arg 1 from the file; with caller storage.
void BM_Open(benchmark::State& state) {
  const Fixture& f = fixture();
  std::vector<unsigned char> memory(BLOBSMITH_STORAGE_SIZE(MEMBER_COUNT));
  const blobsmith_storage storage{memory.data(), memory.size(), nullptr};
  for (auto _ : state) {
    blobsmith_pack* pack = nullptr;
    const int status = state.range(0) == 0
                           ? blobsmith_open_memory(f.image.data(), f.image.size(), &storage, &pack)
                           : blobsmith_open_file(f.path.c_str(), &storage, &pack);
    if (status != BLOBSMITH_OK) state.SkipWithError("open failed");
    blobsmith_close(pack);
  }
}
BENCHMARK(BM_Open)->ArgName("file")->Arg(0)->Arg(1);

// Every directory listed, from the root down: the items are the entries.
int64_t list_tree(const blobsmith_pack* pack, const std::string& directory) {
  blobsmith_dir dir;
  blobsmith_dir_entry entry;
  int64_t listed = 0;
  if (blobsmith_dir_begin(pack, directory.c_str(), &dir) != BLOBSMITH_OK) return -1;
  while (blobsmith_dir_next(&dir, &entry) == 1) {
    ++listed;
    if (entry.kind == BLOBSMITH_DIRECTORY) {
      listed += list_tree(pack, directory.empty() ? entry.name : directory + "/" + entry.name);
    }
  }
  return listed;
}

void BM_ListEveryDirectory(benchmark::State& state) {
  const Fixture& f = fixture();
  int64_t listed = 0;
  for (auto _ : state) {
    listed = list_tree(f.memory, "");
    benchmark::DoNotOptimize(listed);
  }
  // 2047 files in 6 directories of 37 each.
  if (listed != MEMBER_COUNT + 6 + 6 * 37) state.SkipWithError("listed wrongly");
  state.SetItemsProcessed(state.iterations() * listed);
}
BENCHMARK(BM_ListEveryDirectory);

// blobsmith_verify: arg 0 from memory, arg 1 from the file through a 1 MiB
// work buffer.
void BM_Verify(benchmark::State& state) {
  const Fixture& f = fixture();
  const blobsmith_pack* pack = state.range(0) == 0 ? f.memory : f.file;
  std::vector<unsigned char> work(1 << 20);
  for (auto _ : state) {
    if (blobsmith_verify(pack, work.data(), work.size()) != BLOBSMITH_OK) {
      state.SkipWithError("not whole");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.image.size()));
}
BENCHMARK(BM_Verify)->ArgName("file")->Arg(0)->Arg(1);

// The tool's fold alone over the same bytes, for comparison.
void BM_FoldAlone(benchmark::State& state) {
  const Fixture& f = fixture();
  const auto* bytes = reinterpret_cast<const unsigned char*>(f.image.data());
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        checksum_update(static_cast<uint32_t>(f.image.size() - PACK_CHECKSUM_SIZE), bytes, 0));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.image.size()));
}
BENCHMARK(BM_FoldAlone);

}  // namespace

BENCHMARK_MAIN();
