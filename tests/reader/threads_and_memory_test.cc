// The reader under load: eight threads looking up and reading one open pack
// at once, every byte checked (run under ThreadSanitizer in CI); and opens
// given storage, which must never allocate. This binary is linked with
// malloc, calloc and realloc wrapped, so the reader's allocations are counted.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "blobsmith/reader.h"
#include "support/test_support.h"

namespace {

std::atomic<int> g_allocations{0};
std::atomic<bool> g_counting{false};

}  // namespace

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
void* __wrap_malloc(size_t size) { return g_allocations += g_counting, __real_malloc(size); }
void* __wrap_calloc(size_t n, size_t size) { return g_allocations += g_counting, __real_calloc(n, size); }
void* __wrap_realloc(void* block, size_t size) {
  return g_allocations += g_counting, __real_realloc(block, size);
}
}

namespace {

// A pack of members of 0 to 9000 bytes in two levels, in memory and on disk.
struct Fixture {
  std::vector<std::string> names, contents;
  std::string image;
  explicit Fixture(const int members) {
    std::vector<ImageMember> list;
    for (int i = 0; i < members; ++i) {
      names.push_back("dir" + std::to_string(i / 100) + "\\file" + std::to_string(i) + ".bin");
      contents.push_back(pattern_bytes(static_cast<size_t>(i * 7919) % 9000, static_cast<unsigned>(i)));
      list.push_back(ImageMember{names.back(), contents.back(), false});
    }
    image = sound_pack_image(list);  // the names need not be in order
    write_file("pack.bin", image);
  }
};

TEST(ReaderThreads, EightThreadsReadOnePackAtOnce) {
  ScopedTempDir temp;
  const Fixture fixture(1500);
  blobsmith_pack* packs[2] = {};
  ASSERT_EQ(blobsmith_open_memory(fixture.image.data(), fixture.image.size(), nullptr, &packs[0]),
            BLOBSMITH_OK);
  ASSERT_EQ(blobsmith_open_file("pack.bin", nullptr, &packs[1]), BLOBSMITH_OK);
  std::atomic<int> wrong{0}, reads{0};
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 random(t);
      std::vector<char> buffer(9000);
      for (int n = 0; n < 1500; ++n, ++reads) {
        const size_t i = random() % fixture.names.size();
        const blobsmith_pack* pack = packs[random() % 2];
        const std::string& want = fixture.contents[i];
        const size_t offset = want.empty() ? 0 : random() % want.size();
        const int32_t index = blobsmith_find(pack, fixture.names[i].c_str());
        const int64_t got = blobsmith_read(pack, index, offset, buffer.data(), buffer.size());
        if (index != static_cast<int32_t>(i) || got != static_cast<int64_t>(want.size() - offset) ||
            std::memcmp(buffer.data(), want.data() + offset, want.size() - offset) != 0) {
          ++wrong;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(reads.load(), 8 * 1500);
  EXPECT_EQ(wrong.load(), 0);
  for (blobsmith_pack* pack : packs) blobsmith_close(pack);
}

TEST(ReaderMemory, StorageGivenMeansNoAllocation) {
  ScopedTempDir temp;
  const Fixture fixture(300);
  std::vector<unsigned char> memory(BLOBSMITH_STORAGE_SIZE(300));
  const blobsmith_storage storage{memory.data(), memory.size(), nullptr};
  std::vector<char> buffer(9000);
  for (const bool given : {false, true}) {
    g_allocations = 0;
    g_counting = true;
    for (int way = 0; way < 2; ++way) {
      blobsmith_pack* pack = nullptr;
      ASSERT_EQ(way == 0 ? blobsmith_open_memory(fixture.image.data(), fixture.image.size(),
                                                 given ? &storage : nullptr, &pack)
                         : blobsmith_open_file("pack.bin", given ? &storage : nullptr, &pack),
                BLOBSMITH_OK);
      for (size_t i = 0; i < fixture.names.size(); ++i) {
        const int32_t index = blobsmith_find(pack, fixture.names[i].c_str());
        ASSERT_EQ(blobsmith_read_member(pack, index, buffer.data(), buffer.size()),
                  static_cast<int64_t>(fixture.contents[i].size()));
      }
      blobsmith_close(pack);
    }
    g_counting = false;
    // Without storage each open allocates once; with it, nothing does.
    EXPECT_EQ(g_allocations.load(), given ? 0 : 2) << (given ? "storage given" : "default");
  }
}

}  // namespace
