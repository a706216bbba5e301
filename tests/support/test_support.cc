// Helpers shared by the in-process tests.
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "cli/commands.h"
#include "cli/dispatch.h"

namespace fs = std::filesystem;
using namespace blobsmith;  // NOLINT: test helpers over the tool's own names

ScopedTempDir::ScopedTempDir() : previous_(fs::current_path().string()) {
  std::random_device seed;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const fs::path candidate =
        fs::temp_directory_path() / ("blobsmith-test-" + std::to_string(seed()));
    std::error_code error;
    if (fs::create_directory(candidate, error)) path_ = candidate.string();
  }
  if (path_.empty()) ADD_FAILURE() << "no temporary directory could be made";
  if (!path_.empty()) fs::current_path(path_);
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ignored;
  fs::current_path(previous_, ignored);
  if (!path_.empty()) fs::remove_all(path_, ignored);
}

void write_file(const std::string& path, const std::string& bytes) {
  const fs::path parent = fs::path(path).parent_path();
  if (!parent.empty()) fs::create_directories(parent);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string read_file(const std::string& path) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return "";
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
  for (char& byte : bytes) byte = static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
  return bytes;
}

std::string run_tool(const std::vector<std::string>& args, int* status) {
  std::vector<std::string> storage{"blobsmith"};
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : storage) argv.push_back(&arg[0]);
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
  (mode == "--pack"     ? print_pack_usage
   : mode == "--unpack" ? print_unpack_usage
   : mode == "--list"   ? print_list_usage
                        : print_verify_usage)();
  return testing::internal::GetCapturedStdout();
}

#ifndef _WIN32
std::string pack_being_written(const std::string& pid, const std::string& dir, bool* unnamed) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/" + pid + "/fd", error)) {
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    if (target.compare(0, dir.size() + 1, dir + "/") != 0) continue;
    const std::string name = target.substr(dir.size() + 1);
    *unnamed = name[0] == '#' && name.find(" (deleted)") != std::string::npos;
    if (*unnamed || name.compare(0, 11, ".blobsmith-") == 0) return entry.path().string();
  }
  return "";
}
#endif
