// The run-time reader through its C interface: three ways to open, reads,
// storage and allocation (on POSIX the binary wraps malloc, calloc and realloc
// to count them), and eight threads looking up and reading one pack while
// two list it (ThreadSanitizer in CI).
#include "blobsmith/reader.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <atomic>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "format/pack_format.h"
#include "support/test_support.h"

namespace {
std::atomic<int> g_allocations{0};
std::atomic<bool> g_counting{false};
}  // namespace

#ifndef _WIN32
extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
void* __wrap_malloc(size_t size) { return g_allocations += g_counting, __real_malloc(size); }
void* __wrap_calloc(size_t n, size_t size) {
  return g_allocations += g_counting, __real_calloc(n, size);
}
void* __wrap_realloc(void* p, size_t size) {
  return g_allocations += g_counting, __real_realloc(p, size);
}
}
#endif

namespace blobsmith {
namespace {

const std::string kPack = sound_pack_image({{"a.txt", "alpha", false},
                                            {"", "", true},
                                            {"img\\Logo.png", pattern_bytes(1025, 1), false},
                                            {"img\\logo.png", "lower", false},
                                            {"Readme", "", false}});

int64_t read_string(void* context, const uint64_t offset, void* buffer, const size_t length) {
  const std::string& image = *static_cast<const std::string*>(context);
  if (offset == 264 * 512) return -1;  // a device failing under one member
  if (offset >= image.size()) return 0;
  const size_t copied = std::min<size_t>(length, image.size() - offset);
  std::memcpy(buffer, image.data() + offset, copied);
  return static_cast<int64_t>(copied);
}

TEST(Reader, LooksUpAndReadsEveryWay) {
  ScopedTempDir temp;
  write_file("pack.bin", kPack);
  blobsmith_pack* packs[3] = {};
  const blobsmith_io io{read_string, kPack.size(), const_cast<std::string*>(&kPack)};
  ASSERT_EQ(blobsmith_open_memory(kPack.data(), kPack.size(), nullptr, &packs[0]), BLOBSMITH_OK);
  ASSERT_EQ(blobsmith_open_io(&io, nullptr, &packs[1]), BLOBSMITH_OK);
  ASSERT_EQ(blobsmith_open_file("pack.bin", nullptr, &packs[2]), BLOBSMITH_OK);
  for (blobsmith_pack* pack : packs) {
    EXPECT_EQ(blobsmith_entry_count(pack), 5);
    EXPECT_EQ(blobsmith_find(pack, std::string(60, 'a').c_str()), BLOBSMITH_ERROR_NOT_FOUND);
    char buffer[2048];
    EXPECT_EQ(blobsmith_read(pack, 0, 1, buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "lph");
    EXPECT_EQ(blobsmith_read(pack, 0, 5, buffer, 100), 0);
    EXPECT_EQ(blobsmith_read(pack, 0, 6, buffer, 1), BLOBSMITH_ERROR_RANGE);
    EXPECT_EQ(blobsmith_read(pack, 5, 0, buffer, 1), BLOBSMITH_ERROR_INDEX);
    EXPECT_EQ(blobsmith_read_member(pack, 2, buffer, 1024), BLOBSMITH_ERROR_BUFFER);
    EXPECT_EQ(blobsmith_read_member(pack, 2, buffer, sizeof buffer), 1025);
    EXPECT_EQ(std::string(buffer, 1025), pattern_bytes(1025, 1));
    blobsmith_member member;
    EXPECT_EQ(blobsmith_member_at(pack, 2, &member), BLOBSMITH_OK);
    EXPECT_STREQ(member.name, "img\\Logo.png");
    blobsmith_pack_info info;
    EXPECT_EQ(blobsmith_pack_info_of(pack, &info), BLOBSMITH_OK);
    EXPECT_EQ(std::string(info.machine) + info.date + info.time, "q5202601020304");
  }
  const void* data = nullptr;
  size_t size = 0;
  EXPECT_EQ(blobsmith_member_data(packs[0], 3, &data, &size), BLOBSMITH_OK);
  EXPECT_EQ(std::string(static_cast<const char*>(data), size), "lower");
  EXPECT_EQ(static_cast<const char*>(data), kPack.data() + 264 * 512);  // no copy
  EXPECT_EQ(blobsmith_member_data(packs[2], 3, &data, &size), BLOBSMITH_ERROR_NOT_IN_MEMORY);
  char buffer[8];
  EXPECT_EQ(blobsmith_read(packs[1], 3, 0, buffer, 5), BLOBSMITH_ERROR_READ);
  for (blobsmith_pack* pack : packs) blobsmith_close(pack);
}

TEST(Reader, CallerStorageAndAllocator) {
  ScopedTempDir temp;
  write_file("pack.bin", kPack.substr(0, 600));
  blobsmith_pack* pack = nullptr;
  EXPECT_EQ(blobsmith_open_file("pack.bin", nullptr, &pack), BLOBSMITH_ERROR_TRUNCATED);
  write_file("pack.bin", kPack);
  int32_t count = 0;
  EXPECT_EQ(blobsmith_entry_count_of(kPack.data(), 512, &count), BLOBSMITH_OK);
  EXPECT_EQ(blobsmith_storage_size(count), BLOBSMITH_STORAGE_SIZE(5));
  EXPECT_EQ(blobsmith_storage_size(0), 0u);
  std::vector<unsigned char> memory(BLOBSMITH_STORAGE_SIZE(5) + 1);
  blobsmith_storage storage{memory.data() + 1, BLOBSMITH_STORAGE_SIZE(5) - 1, nullptr};
  EXPECT_EQ(blobsmith_open_memory(kPack.data(), kPack.size(), &storage, &pack),
            BLOBSMITH_ERROR_STORAGE);
  storage.size += 1;  // exactly enough, at an odd address
  // Given storage, nothing is allocated: not to open, look up or read.
  for (int way = 0; way < 2; ++way) {
    g_allocations = 0;
    g_counting = true;
    ASSERT_EQ(way == 0 ? blobsmith_open_memory(kPack.data(), kPack.size(), &storage, &pack)
                       : blobsmith_open_file("pack.bin", &storage, &pack),
              BLOBSMITH_OK);
    char buffer[1100];
    EXPECT_EQ(blobsmith_read_member(pack, blobsmith_find(pack, "IMG/LOGO.PNG"), buffer, 1100),
              1025);
    // Nor to look up exactly, list a directory or verify.
    EXPECT_EQ(blobsmith_find_exact(pack, "img/logo.png"), 3);
    blobsmith_dir dir;
    blobsmith_dir_entry entry;
    EXPECT_EQ(blobsmith_dir_begin(pack, "img", &dir), BLOBSMITH_OK);
    EXPECT_EQ(blobsmith_dir_next(&dir, &entry), 1);
    EXPECT_EQ(blobsmith_stat(pack, "Readme", nullptr), BLOBSMITH_FILE);
    EXPECT_EQ(blobsmith_verify(pack, nullptr, 0), BLOBSMITH_OK);
    blobsmith_close(pack);
    g_counting = false;
    EXPECT_EQ(g_allocations.load(), 0);
  }
  int counts[2] = {0, 0};  // blocks given, blocks taken back
  const blobsmith_allocator allocator{
      [](void* c, size_t size) -> void* { return ++static_cast<int*>(c)[0], malloc(size); },
      [](void* c, void* block) { ++static_cast<int*>(c)[1], free(block); }, counts};
  const blobsmith_storage allocated{nullptr, 0, &allocator};
  ASSERT_EQ(blobsmith_open_memory(kPack.data(), kPack.size(), &allocated, &pack), BLOBSMITH_OK);
  blobsmith_close(pack);
  EXPECT_EQ(counts[0] * 10 + counts[1], 11);
#ifndef _WIN32
  // The count sees what the reader takes from malloc when given nothing, and
  // closing gives back the file's descriptor.
  const int lowest_free = dup(0);
  g_allocations = close(lowest_free);
  g_counting = true;
  ASSERT_EQ(blobsmith_open_file("pack.bin", nullptr, &pack), BLOBSMITH_OK);
  g_counting = false;
  blobsmith_close(pack);
  EXPECT_EQ(g_allocations.load(), 1);
  EXPECT_EQ(dup(0), lowest_free);
  close(lowest_free);
#endif
}

TEST(Reader, EightThreadsReadOnePackAtOnce) {
  ScopedTempDir temp;
  std::vector<std::string> names, contents;
  std::vector<ImageMember> members;
  for (int i = 0; i < 1500; ++i) {
    names.push_back("dir" + std::to_string(i / 100) + "\\file" + std::to_string(i) + ".bin");
    contents.push_back(
        pattern_bytes(static_cast<size_t>(i * 7919) % 9000, static_cast<unsigned>(i)));
    members.push_back(ImageMember{names.back(), contents.back(), false});
  }
  const std::string image = sound_pack_image(members);  // not in order: the reader sorts
  write_file("pack.bin", image);
  blobsmith_pack* packs[2] = {};
  ASSERT_EQ(blobsmith_open_memory(image.data(), image.size(), nullptr, &packs[0]), BLOBSMITH_OK);
  ASSERT_EQ(blobsmith_open_file("pack.bin", nullptr, &packs[1]), BLOBSMITH_OK);
  std::atomic<int> wrong{0}, reads{0};
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      std::mt19937 random(t);
      std::vector<char> buffer(9000);
      for (int n = 0; n < 1500; ++n, ++reads) {
        const size_t i = random() % names.size();
        const std::string& want = contents[i];
        const size_t offset = want.empty() ? 0 : random() % want.size();
        const blobsmith_pack* pack = packs[random() % 2];
        const int32_t index = n % 2 == 0 ? blobsmith_find(pack, names[i].c_str())
                                         : blobsmith_find_exact(pack, names[i].c_str());
        const int64_t got = blobsmith_read(pack, index, offset, buffer.data(), buffer.size());
        wrong += index != static_cast<int32_t>(i) ||
                 got != static_cast<int64_t>(want.size() - offset) ||
                 std::memcmp(buffer.data(), want.data() + offset, want.size() - offset) != 0;
      }
    });
  }
  // And two more threads list every directory of both packs meanwhile.
  for (unsigned t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      blobsmith_dir root, dir;
      blobsmith_dir_entry entry, file;
      wrong += blobsmith_dir_begin(packs[t], "", &root) != BLOBSMITH_OK;
      int files = 0;
      while (blobsmith_dir_next(&root, &entry) == 1) {
        wrong += blobsmith_dir_begin(packs[t], entry.name, &dir) != BLOBSMITH_OK;
        while (blobsmith_dir_next(&dir, &file) == 1) ++files;
      }
      wrong += files != 1500;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(reads.load(), 8 * 1500);
  EXPECT_EQ(wrong.load(), 0);
  for (blobsmith_pack* pack : packs) blobsmith_close(pack);
}

TEST(Reader, WhatCannotBeOpened) {
  auto opened = [](const std::string& image) {
    blobsmith_pack* pack = nullptr;
    const int status = blobsmith_open_memory(image.data(), image.size(), nullptr, &pack);
    blobsmith_close(pack);
    return status;
  };
  EXPECT_EQ(opened(kPack.substr(0, 511)), BLOBSMITH_ERROR_TRUNCATED);
  EXPECT_EQ(opened(std::string(512, 'x')), BLOBSMITH_ERROR_NOT_A_PACK);
  EXPECT_EQ(opened(pack_image(0, {}, "")), BLOBSMITH_ERROR_ENTRY_COUNT);
  EXPECT_EQ(opened(pack_image(2048, {}, "")), BLOBSMITH_ERROR_ENTRY_COUNT);
  EXPECT_EQ(opened(pack_image(3, {}, "").substr(0, 2048 + 3 * 64 - 1)), BLOBSMITH_ERROR_TRUNCATED);
  blobsmith_pack* pack = nullptr;
  EXPECT_EQ(blobsmith_open_file("/", nullptr, &pack), BLOBSMITH_ERROR_OPEN);
  EXPECT_STREQ(blobsmith_status_text(BLOBSMITH_ERROR_CHECKSUM),
               "the checksum is not the stored one, or there is none");
  EXPECT_STREQ(blobsmith_status_text(-16), "unknown status");
  // The library is the header's release.
  EXPECT_EQ(blobsmith_version(), BLOBSMITH_VERSION);
}

TEST(Reader, RefusesEveryNullPointer) {
  ScopedTempDir temp;
  write_file("pack.bin", kPack);
  blobsmith_pack* pack = nullptr;
  ASSERT_EQ(blobsmith_open_memory(kPack.data(), kPack.size(), nullptr, &pack), BLOBSMITH_OK);
  int asked = 0;  // calls of the allocators below: a refused open makes none
  const blobsmith_allocator no_release{
      [](void* c, size_t size) -> void* { return ++*static_cast<int*>(c), malloc(size); }, nullptr,
      &asked};
  const blobsmith_allocator no_allocate{
      nullptr, [](void* c, void* block) { ++*static_cast<int*>(c), free(block); }, &asked};
  std::vector<unsigned char> memory(BLOBSMITH_STORAGE_SIZE(5));
  const blobsmith_storage bad_storages[] = {
      {nullptr, 0, &no_release},
      {nullptr, 0, &no_allocate},
      {memory.data(), memory.size(), &no_release},  // refused though memory is given
      {nullptr, memory.size(), nullptr},            // a size with no memory
  };
  const blobsmith_io io{read_string, kPack.size(), const_cast<std::string*>(&kPack)};
  const blobsmith_io no_read{nullptr, kPack.size(), const_cast<std::string*>(&kPack)};
  // A refused call leaves its out-parameters as they were.
  blobsmith_pack* const kept = reinterpret_cast<blobsmith_pack*>(&asked);
  blobsmith_pack* opened = kept;
  int32_t count = -99;
  const void* data = &asked;
  size_t size = 99;
  char buffer[8];
  blobsmith_member member;
  blobsmith_pack_info info;
  blobsmith_dir dir;
  ASSERT_EQ(blobsmith_dir_begin(pack, "", &dir), BLOBSMITH_OK);
  blobsmith_dir_entry entry;
  blobsmith_verify_state state;
  ASSERT_EQ(blobsmith_verify_begin(&state), BLOBSMITH_OK);
#ifndef _WIN32
  const int lowest_free = dup(0);
  close(lowest_free);
#endif
  const int64_t refused[] = {
      blobsmith_entry_count_of(nullptr, 512, &count),
      blobsmith_entry_count_of(kPack.data(), 512, nullptr),
      blobsmith_open_memory(nullptr, 512, nullptr, &opened),
      blobsmith_open_memory(kPack.data(), kPack.size(), nullptr, nullptr),
      blobsmith_open_io(nullptr, nullptr, &opened),
      blobsmith_open_io(&no_read, nullptr, &opened),
      blobsmith_open_io(&io, nullptr, nullptr),
      blobsmith_open_file(nullptr, nullptr, &opened),
      blobsmith_open_file("pack.bin", nullptr, nullptr),
      blobsmith_entry_count(nullptr),
      blobsmith_pack_info_of(nullptr, &info),
      blobsmith_pack_info_of(pack, nullptr),
      blobsmith_find(nullptr, "a.txt"),
      blobsmith_find(pack, nullptr),
      blobsmith_member_at(nullptr, 0, &member),
      blobsmith_member_at(pack, 0, nullptr),
      blobsmith_read(nullptr, 0, 0, buffer, 1),
      blobsmith_read(pack, 0, 0, nullptr, 1),
      blobsmith_read_member(nullptr, 0, buffer, 8),
      blobsmith_read_member(pack, 2, nullptr, 1),  // null before too small
      blobsmith_member_data(nullptr, 0, &data, &size),
      blobsmith_member_data(pack, 0, nullptr, &size),
      blobsmith_member_data(pack, 0, &data, nullptr),
      blobsmith_find_exact(nullptr, "a.txt"),
      blobsmith_find_exact(pack, nullptr),
      blobsmith_stat(nullptr, "a.txt", &count),
      blobsmith_stat(pack, nullptr, &count),
      blobsmith_dir_begin(nullptr, "", &dir),
      blobsmith_dir_begin(pack, nullptr, &dir),
      blobsmith_dir_begin(pack, "", nullptr),
      blobsmith_dir_next(nullptr, &entry),
      blobsmith_dir_next(&dir, nullptr),
      blobsmith_verify(nullptr, nullptr, 0),
      blobsmith_verify(pack, nullptr, 1),
      blobsmith_verify_begin(nullptr),
      blobsmith_verify_update(nullptr, "x", 1),
      blobsmith_verify_update(&state, nullptr, 1),
      blobsmith_verify_end(nullptr),
  };
  for (size_t k = 0; k < sizeof refused / sizeof refused[0]; ++k) {
    EXPECT_EQ(refused[k], BLOBSMITH_ERROR_ARGUMENT) << "call " << k;
  }
  for (const blobsmith_storage& bad : bad_storages) {
    EXPECT_EQ(blobsmith_open_memory(kPack.data(), kPack.size(), &bad, &opened),
              BLOBSMITH_ERROR_ARGUMENT);
    EXPECT_EQ(blobsmith_open_io(&io, &bad, &opened), BLOBSMITH_ERROR_ARGUMENT);
    EXPECT_EQ(blobsmith_open_file("pack.bin", &bad, &opened), BLOBSMITH_ERROR_ARGUMENT);
  }
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(opened == kept && count == -99 && data == &asked && size == 99);
#ifndef _WIN32
  EXPECT_EQ(dup(0), lowest_free);  // no refused open kept a descriptor
  close(lowest_free);
#endif
  // Where no bytes are asked for, no buffer is needed.
  EXPECT_EQ(blobsmith_read(pack, 0, 0, nullptr, 0), 0);
  EXPECT_EQ(blobsmith_read_member(pack, 4, nullptr, 0), 0);
  EXPECT_EQ(blobsmith_verify_update(&state, nullptr, 0), BLOBSMITH_OK);
  blobsmith_close(pack);
}

}  // namespace
}  // namespace blobsmith
