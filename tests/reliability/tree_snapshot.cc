// Snapshots of directory trees.
#include "reliability/tree_snapshot.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// FNV-1a over the file's bytes: enough to see a change.
uint64_t hash_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  uint64_t hash = 14695981039346656037ull;
  char c;
  while (in.get(c)) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string describe(const fs::directory_entry& entry) {
  std::error_code error;
  const fs::file_status status = entry.symlink_status(error);
  switch (status.type()) {
    case fs::file_type::symlink:
      return "link -> " + fs::read_symlink(entry.path(), error).string();
    case fs::file_type::directory:
      return "directory";
    case fs::file_type::regular:
      return "file " + std::to_string(entry.file_size(error)) + " " +
             std::to_string(hash_file(entry.path()));
    default:
      return "special";
  }
}

}  // namespace

std::map<std::string, std::string> snapshot_tree(const std::string& dir, const std::string& skip) {
  std::map<std::string, std::string> paths;
  std::error_code error;
  const fs::path skipped = fs::path(dir) / skip;
  for (auto it = fs::recursive_directory_iterator(dir, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (!skip.empty() && it->path() == skipped) {
      it.disable_recursion_pending();
      continue;
    }
    paths[fs::relative(it->path(), dir).generic_string()] = describe(*it);
  }
  return paths;
}

uint64_t tree_file_bytes(const std::string& dir) {
  uint64_t total = 0;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(dir, error);
       it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->symlink_status(error).type() == fs::file_type::regular) total += it->file_size(error);
  }
  return total;
}
