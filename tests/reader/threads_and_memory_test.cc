// The reader under load: many threads looking up and reading one open pack
// at once, every byte checked (run under ThreadSanitizer in CI); and the
// open-with-storage path, which must never allocate. This binary is linked
// with malloc, calloc, realloc and free wrapped, so every allocation the
// reader makes is counted.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
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
void* __wrap_malloc(size_t size) {
  if (g_counting) ++g_allocations;
  return __real_malloc(size);
}
void* __wrap_calloc(size_t count, size_t size) {
  if (g_counting) ++g_allocations;
  return __real_calloc(count, size);
}
void* __wrap_realloc(void* block, size_t size) {
  if (g_counting) ++g_allocations;
  return __real_realloc(block, size);
}
}

namespace {

struct Fixture {
  std::vector<std::string> names;
  std::vector<std::string> contents;
  std::string image;
};

Fixture make_pack(const int members) {
  Fixture fixture;
  std::vector<ImageMember> list;
  std::mt19937 random(9);
  for (int i = 0; i < members; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "dir%02d\\file%04d.bin", i / 100, i);
    fixture.names.push_back(name);
    fixture.contents.push_back(pattern_bytes(random() % 9000, static_cast<unsigned>(i)));
    list.push_back(ImageMember{name, fixture.contents.back(), false});
  }
  fixture.image = sound_pack_image(list);
  return fixture;
}

int64_t read_image(void* context, const uint64_t offset, void* buffer, const size_t length) {
  const std::string& image = *static_cast<const std::string*>(context);
  if (offset >= image.size()) return 0;
  const size_t copied = std::min<size_t>(length, image.size() - offset);
  std::memcpy(buffer, image.data() + offset, copied);
  return static_cast<int64_t>(copied);
}

TEST(ReaderThreads, ManyThreadsReadOnePackAtOnce) {
  ScopedTempDir temp;
  const Fixture fixture = make_pack(1500);
  write_file("pack.bin", fixture.image);
  blobsmith_pack* packs[3] = {};
  ASSERT_EQ(blobsmith_open_memory(fixture.image.data(), fixture.image.size(), nullptr, &packs[0]),
            BLOBSMITH_OK);
  const blobsmith_io io{read_image, fixture.image.size(), const_cast<std::string*>(&fixture.image)};
  ASSERT_EQ(blobsmith_open_io(&io, nullptr, &packs[1]), BLOBSMITH_OK);
  ASSERT_EQ(blobsmith_open_file("pack.bin", nullptr, &packs[2]), BLOBSMITH_OK);
  std::atomic<int> wrong{0}, reads{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 random(static_cast<unsigned>(t));
      std::vector<char> buffer(9000);
      for (int n = 0; n < 1500; ++n) {
        const size_t i = random() % fixture.names.size();
        const blobsmith_pack* pack = packs[random() % 3];
        const int32_t index = blobsmith_find(pack, fixture.names[i].c_str());
        const std::string& want = fixture.contents[i];
        const size_t offset = want.empty() ? 0 : random() % want.size();
        const int64_t got = blobsmith_read(pack, index, offset, buffer.data(), buffer.size());
        if (index != static_cast<int32_t>(i) || got != static_cast<int64_t>(want.size() - offset) ||
            std::memcmp(buffer.data(), want.data() + offset, want.size() - offset) != 0) {
          ++wrong;
        }
        ++reads;
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
  const Fixture fixture = make_pack(300);
  write_file("pack.bin", fixture.image);
  std::vector<unsigned char> memory(BLOBSMITH_STORAGE_SIZE(300));
  const blobsmith_storage storage{memory.data(), memory.size(), nullptr};
  std::vector<char> buffer(9000);
  for (const bool given : {false, true}) {
    g_allocations = 0;
    g_counting = true;
    for (int way = 0; way < 2; ++way) {
      blobsmith_pack* pack = nullptr;
      const int opened =
          way == 0 ? blobsmith_open_memory(fixture.image.data(), fixture.image.size(),
                                           given ? &storage : nullptr, &pack)
                   : blobsmith_open_file("pack.bin", given ? &storage : nullptr, &pack);
      ASSERT_EQ(opened, BLOBSMITH_OK);
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
