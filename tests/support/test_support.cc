// Helpers shared by the unit tests.
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

namespace fs = std::filesystem;

ScopedTempDir::ScopedTempDir() {
  previous_ = fs::current_path().string();
  // A new name each time; create_directory reports whether it was new.
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
  if (!path_.empty()) fs::remove_all(path_, ignored);
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

bool file_exists(const std::string& path) {
  std::error_code ignored;
  return fs::symlink_status(path, ignored).type() != fs::file_type::not_found;
}

std::vector<std::string> list_tree(const std::string& dir) {
  std::vector<std::string> paths;
  std::error_code ignored;
  for (auto it = fs::recursive_directory_iterator(dir, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    paths.push_back(fs::relative(it->path(), dir).generic_string());
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

void start_capture() {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
}

std::string finish_capture() {
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

std::string run_tool(const std::vector<std::string>& args, int* status) {
  std::vector<std::string> storage;
  storage.push_back("blobsmith");
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : storage) argv.push_back(arg.data());
  argv.push_back(nullptr);
  start_capture();
  const int result = run_command_line(argv.data());
  if (status != nullptr) *status = result;
  return finish_capture();
}

std::string build_pack_image(const int32_t entry_count, const std::vector<PackImageEntry>& entries,
                             const std::string& data) {
  std::string image(PACK_DATA_OFFSET, '\0');
  PackHeader header = make_header();
  std::memcpy(header.date_stamp, "20260102", 8);
  std::memcpy(header.time_stamp, "0304", 4);
  header.entry_count = entry_count;
  unsigned char header_image[PACK_HEADER_SIZE];
  encode_header(header, header_image);
  std::memcpy(image.data(), header_image, sizeof header_image);
  for (size_t i = 0; i < entries.size() && i < PACK_MAX_ENTRIES; ++i) {
    unsigned char entry_image[PACK_ENTRY_SIZE] = {};
    put_u32_le(entry_image + ENTRY_START_BLOCK_AT, entries[i].start_block);
    put_u32_le(entry_image + ENTRY_BYTE_SIZE_AT, static_cast<uint32_t>(entries[i].byte_size));
    std::memcpy(entry_image, entries[i].name.data(),
                std::min<size_t>(entries[i].name.size(), PACK_NAME_FIELD_SIZE));
    std::memcpy(image.data() + PACK_TABLE_OFFSET + i * PACK_ENTRY_SIZE, entry_image,
                PACK_ENTRY_SIZE);
  }
  return image + data;
}

std::string pack_usage_text() {
  start_capture();
  print_pack_usage();
  return finish_capture();
}

std::string unpack_usage_text() {
  start_capture();
  print_unpack_usage();
  return finish_capture();
}
