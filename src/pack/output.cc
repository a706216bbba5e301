// The pack's output, replaced only by a whole pack.
#include "pack/output.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "format/printable.h"
#include "read/io_source.h"

namespace blobsmith {

namespace {

// Symbolic links followed before the output counts as leading nowhere.
constexpr int MAX_LINKS_FOLLOWED = 40;

// A temporary file's name: the prefix, 16 hexadecimal digits, the suffix.
constexpr char TEMP_PREFIX[] = ".blobsmith-";
constexpr char TEMP_SUFFIX[] = ".tmp";
constexpr size_t TEMP_DIGITS = 16;

// The length of path's directory part, its last separator included.
size_t directory_length(const char* path) {
  size_t length = 0;
  for (size_t i = 0; path[i] != '\0'; ++i) {
    if (is_platform_separator(path[i])) length = i + 1;
  }
  return length;
}

bool is_absolute(const char* path) {
  if (is_platform_separator(path[0])) return true;
  // A drive prefix, where "\\" separates levels.
  return is_platform_separator('\\') && path[0] != '\0' && path[1] == ':';
}

// Replaces the link at path by what it names, relative to the link's own
// directory unless absolute. Returns -1 when the result does not fit.
int follow_link(char (&path)[PATH_BUFFER_SIZE]) {
  char target[PATH_BUFFER_SIZE];
  if (path_read_link(path, target, sizeof target) != 0) return -1;
  const size_t keep = is_absolute(target) ? 0 : directory_length(path);
  const size_t target_length = std::strlen(target);
  if (keep + target_length > static_cast<size_t>(PATH_MAX_LENGTH)) return -1;
  std::memmove(path + keep, target, target_length + 1);
  return 0;
}

}  // namespace

int find_pack_output(const char* output_name, PackOutput* output) {
  output->name = output_name;
  output->file = nullptr;
  output->existed = false;
  output->existing_is_pack = false;
  output->temp_path[0] = '\0';
  std::memcpy(output->final_path, output_name, std::strlen(output_name) + 1);
  for (int hops = 0;; ++hops) {
    FileStatus status;
    if (path_status(output->final_path, 0, &status) != 0) return 0;  // a new file
    if (status.kind != PATH_LINK) {
      if (status.kind != PATH_REGULAR) {
        std::printf("%s is not a regular file, nothing written !!!\n",
                    printable(output_name).c_str());
        return -1;
      }
      output->existed = true;
      output->existing = status;
      output->existing_is_pack = file_holds_pack(output->final_path);
      return 0;
    }
    if (hops == MAX_LINKS_FOLLOWED || follow_link(output->final_path) != 0) {
      std::printf("%s open failed !!!\n", printable(output_name).c_str());
      return -1;
    }
  }
}

int open_pack_output(PackOutput* output) {
  const size_t keep = directory_length(output->final_path);
  // A name that happens to be taken is tried again with another number.
  char candidate[PATH_BUFFER_SIZE];
  for (int attempt = 0; attempt < 8 && output->file == nullptr; ++attempt) {
    char name[40];
    std::snprintf(name, sizeof name, "%s%016" PRIx64 "%s", TEMP_PREFIX, unique_number(),
                  TEMP_SUFFIX);
    const size_t name_length = std::strlen(name);
    if (keep + name_length > static_cast<size_t>(PATH_MAX_LENGTH)) {
      std::printf("%s path name is too long, nothing written !!!\n",
                  printable(output->name).c_str());
      return -1;
    }
    std::memcpy(candidate, output->final_path, keep);
    std::memcpy(candidate + keep, name, name_length + 1);
    const uint32_t permissions = output->existed ? output->existing.permissions : 0666;
    output->file = io_create_new(candidate, permissions, output->existed ? 1 : 0);
  }
  if (output->file != nullptr) std::memcpy(output->temp_path, candidate, sizeof candidate);
  FileStatus status;
  if (output->file == nullptr || io_status(output->file, &status) != 0) {
    std::printf("%s open failed !!!\n", printable(output->name).c_str());
    discard_pack_output(output);
    return -1;
  }
  output->temp_identity = status.identity;
  return 0;
}

int commit_pack_output(PackOutput* output) {
  const bool written = io_close(output->file) == 0;
  output->file = nullptr;
  if (!written || path_rename(output->temp_path, output->final_path) != 0) {
    std::printf("%s write failed !!!\n", printable(output->name).c_str());
    discard_pack_output(output);
    return -1;
  }
  output->temp_path[0] = '\0';
  return 0;
}

bool is_temporary_pack_name(const char* name) {
  const size_t prefix = sizeof TEMP_PREFIX - 1;
  if (std::strncmp(name, TEMP_PREFIX, prefix) != 0) return false;
  for (size_t i = prefix; i < prefix + TEMP_DIGITS; ++i) {
    if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'a' && name[i] <= 'f'))) return false;
  }
  return std::strcmp(name + prefix + TEMP_DIGITS, TEMP_SUFFIX) == 0;
}

void discard_pack_output(PackOutput* output) {
  if (output->file != nullptr) io_close(output->file);
  output->file = nullptr;
  if (output->temp_path[0] != '\0') path_remove(output->temp_path);
  output->temp_path[0] = '\0';
}

}  // namespace blobsmith
