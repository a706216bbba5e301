// Helpers shared by the in-process tests.
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "cli/commands.h"
#include "cli/dispatch.h"
#include "format/checksum.h"
#include "format/pack_format.h"

namespace fs = std::filesystem;
using namespace blobsmith;  // NOLINT: test helpers over the tool's own names

ScopedTempDir::ScopedTempDir() {
  previous_ = fs::current_path().string();
  std::random_device seed;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const fs::path candidate =
        fs::temp_directory_path() / ("blobsmith-test-" + std::to_string(seed()));
    std::error_code error;
    if (fs::create_directory(candidate, error)) path_ = candidate.string();
  }
  if (path_.empty()) {
    ADD_FAILURE() << "no temporary directory could be made";
    return;
  }
  fs::current_path(path_);
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ignored;
  fs::current_path(previous_, ignored);
  if (path_.empty()) return;
  // Tests may leave directories without permissions.
  for (auto it = fs::recursive_directory_iterator(path_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::remove_all(path_, ignored);
}

void write_file(const std::string& path, const std::string& bytes) {
  const fs::path parent = fs::path(path).parent_path();
  if (!parent.empty()) fs::create_directories(parent);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> list_tree(const std::string& dir) {
  std::vector<std::string> paths;
  std::error_code ignored;
  for (auto it = fs::recursive_directory_iterator(dir, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    paths.push_back(it->path().lexically_relative(dir).generic_string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::string pattern_bytes(const size_t size, const unsigned seed) {
  std::string bytes(size, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1664525u + 1013904223u;
    bytes[i] = static_cast<char>(state >> 24);
  }
  return bytes;
}

std::string run_tool(const std::vector<std::string>& args, int* status) {
  std::vector<std::string> storage{"blobsmith"};
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : storage) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  const int result = run_command_line(argv.data());
  if (status != nullptr) *status = result;
  return testing::internal::GetCapturedStdout();
}

std::string usage_box(const std::string& mode) {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  if (mode == "--pack") print_pack_usage();
  if (mode == "--unpack") print_unpack_usage();
  if (mode == "--list") print_list_usage();
  if (mode == "--verify") print_verify_usage();
  return testing::internal::GetCapturedStdout();
}

std::string pack_image(const int32_t entry_count, const std::vector<ImageEntry>& entries,
                       const std::string& data) {
  std::string image(PACK_DATA_OFFSET, '\0');
  PackHeader header = make_header();
  std::memcpy(header.date_stamp, "20260102", HEADER_DATE_STAMP_SIZE);
  std::memcpy(header.time_stamp, "0304", HEADER_TIME_STAMP_SIZE);
  std::memcpy(header.machine, "q5", 3);
  header.entry_count = entry_count;
  unsigned char header_image[PACK_HEADER_SIZE];
  encode_header(header, header_image);
  std::memcpy(&image[0], header_image, sizeof header_image);
  for (size_t i = 0; i < entries.size() && i < PACK_MAX_ENTRIES; ++i) {
    char* slot = &image[PACK_TABLE_OFFSET + i * PACK_ENTRY_SIZE];
    std::memcpy(slot, entries[i].name.data(),
                std::min<size_t>(entries[i].name.size(), PACK_NAME_FIELD_SIZE));
    put_u32_le(reinterpret_cast<unsigned char*>(slot) + ENTRY_START_BLOCK_AT,
               entries[i].start_block);
    put_u32_le(reinterpret_cast<unsigned char*>(slot) + ENTRY_BYTE_SIZE_AT,
               static_cast<uint32_t>(entries[i].byte_size));
  }
  return image + data;
}

std::string sound_pack_image(const std::vector<ImageMember>& members) {
  std::vector<ImageEntry> entries;
  std::string data;
  for (const ImageMember& member : members) {
    if (member.zeroed) {
      entries.push_back(ImageEntry{"", 0, 0});
      continue;
    }
    const size_t block = (PACK_DATA_OFFSET + data.size()) / PACK_BLOCK_SIZE;
    entries.push_back(ImageEntry{member.name, static_cast<uint32_t>(block),
                                 static_cast<int32_t>(member.bytes.size())});
    data += member.bytes;
    data.append((PACK_BLOCK_SIZE - data.size() % PACK_BLOCK_SIZE) % PACK_BLOCK_SIZE, '\0');
  }
  std::string image = pack_image(static_cast<int32_t>(members.size()), entries, data);
  const uint32_t sum = checksum_update(static_cast<uint32_t>(image.size()),
                                       reinterpret_cast<const unsigned char*>(image.data()), 0);
  unsigned char word[PACK_CHECKSUM_SIZE];
  put_u32_le(word, sum);
  return image + std::string(reinterpret_cast<const char*>(word), sizeof word);
}
