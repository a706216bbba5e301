// Lookups by name in a full pack: 2047 members, the most the tool writes.
// Compares the reader's search over the packer's order with a plain scan of
// the table, and measures opening a pack and reading one member.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "format/member_name.h"
#include "platform/io.h"
#include "read/pack_image_testing.h"
#include "read/pack_reader.h"

namespace {

constexpr int MEMBER_COUNT = PACK_MAX_USABLE_ENTRIES;

// A pack of 2047 resources in the packer's order, written once to a
// temporary file, and the names to look up in a shuffled order.
struct Fixture {
  std::string path;
  std::vector<std::string> stored_names;  // "\\" between levels
  std::vector<std::string> queries;       // "/" between levels, upper case
  std::vector<std::string> missing;

  Fixture() {
    const char* kinds[] = {"textures", "sounds", "levels", "fonts", "shaders", "ui"};
    std::vector<TestMember> members;
    for (int i = 0; i < MEMBER_COUNT; ++i) {
      char name[PACK_NAME_FIELD_SIZE];
      std::snprintf(name, sizeof name, "%s\\set%02d\\item_%04d.bin", kinds[i % 6], i % 37, i);
      members.push_back({name, std::string(static_cast<size_t>(64 + (i * 97) % 3000), 'r'), false});
    }
    std::sort(members.begin(), members.end(), [](const TestMember& a, const TestMember& b) {
      return compare_name_order(a.name.c_str(), b.name.c_str(), true) < 0;
    });
    for (const TestMember& member : members) {
      stored_names.push_back(member.name);
      std::string query = member.name;
      for (char& c : query) {
        if (c == '\\') c = '/';
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      }
      queries.push_back(query);
      missing.push_back(member.name + "x");
    }
    std::mt19937 shuffle_seed(2047);
    std::shuffle(stored_names.begin(), stored_names.end(), shuffle_seed);
    std::shuffle(queries.begin(), queries.end(), shuffle_seed);

    char pattern[] = "/tmp/blobsmith-lookup-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) std::abort();
    close(fd);
    path = pattern;
    const std::string image = build_sound_pack_image(members);
    IoFile* file = io_open(path.c_str(), "wb");
    if (file == nullptr || io_write(image.data(), 1, image.size(), file) != image.size() ||
        io_close(file) != 0) {
      std::abort();
    }
  }
  ~Fixture() { std::remove(path.c_str()); }
};

Fixture& fixture() {
  static Fixture instance;
  return instance;
}

// Opens the fixture's pack; a failure stops the benchmark.
bool open_pack(benchmark::State& state, PackReader* reader) {
  if (pack_reader_open(fixture().path.c_str(), reader) != PACK_READ_OK) {
    state.SkipWithError("the pack cannot be opened");
    return false;
  }
  return true;
}

void run_lookups(benchmark::State& state, const std::vector<std::string>& names,
                 const bool expect_found) {
  PackReader reader;
  if (!open_pack(state, &reader)) return;
  size_t next = 0;
  for (auto _ : state) {
    const int32_t index = pack_reader_find(reader, names[next].c_str());
    if ((index >= 0) != expect_found) {
      state.SkipWithError("unexpected lookup result");
      break;
    }
    benchmark::DoNotOptimize(index);
    next = next + 1 == names.size() ? 0 : next + 1;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  pack_reader_close(&reader);
}

void BM_FindStoredName(benchmark::State& state) {
  run_lookups(state, fixture().stored_names, true);
}
BENCHMARK(BM_FindStoredName);

// Other separators and other letter case: the same search.
void BM_FindSlashUpperCase(benchmark::State& state) {
  run_lookups(state, fixture().queries, true);
}
BENCHMARK(BM_FindSlashUpperCase);

void BM_FindMissingName(benchmark::State& state) {
  run_lookups(state, fixture().missing, false);
}
BENCHMARK(BM_FindMissingName);

// The baseline: every entry compared in table order until one matches.
void BM_LinearScanOfTable(benchmark::State& state) {
  PackReader reader;
  if (!open_pack(state, &reader)) return;
  const std::vector<std::string>& names = fixture().stored_names;
  size_t next = 0;
  for (auto _ : state) {
    int32_t found = -1;
    for (int32_t i = 0; i < reader.entry_count && found < 0; ++i) {
      if (compare_name_order(reader.entries[i].name, names[next].c_str(), true) == 0) found = i;
    }
    if (found < 0) {
      state.SkipWithError("a stored name was not found");
      break;
    }
    benchmark::DoNotOptimize(found);
    next = next + 1 == names.size() ? 0 : next + 1;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  pack_reader_close(&reader);
}
BENCHMARK(BM_LinearScanOfTable);

// Header, 2047 entries and the name index: what a program pays once.
void BM_OpenPack(benchmark::State& state) {
  for (auto _ : state) {
    PackReader reader;
    if (!open_pack(state, &reader)) break;
    benchmark::DoNotOptimize(reader.named_count);
    pack_reader_close(&reader);
  }
}
BENCHMARK(BM_OpenPack)->Unit(benchmark::kMicrosecond);

// A lookup and a whole-member read (64 to 3063 bytes) from the open file.
void BM_FindAndReadMember(benchmark::State& state) {
  PackReader reader;
  if (!open_pack(state, &reader)) return;
  const std::vector<std::string>& names = fixture().stored_names;
  std::vector<char> buffer(4096);
  size_t next = 0;
  int64_t bytes = 0;
  for (auto _ : state) {
    const int32_t index = pack_reader_find(reader, names[next].c_str());
    const int32_t got = pack_reader_read_member(&reader, index, buffer.data(),
                                                static_cast<int32_t>(buffer.size()));
    if (got < 0) {
      state.SkipWithError("a member could not be read");
      break;
    }
    bytes += got;
    next = next + 1 == names.size() ? 0 : next + 1;
  }
  state.SetBytesProcessed(bytes);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  pack_reader_close(&reader);
}
BENCHMARK(BM_FindAndReadMember);

}  // namespace

BENCHMARK_MAIN();
