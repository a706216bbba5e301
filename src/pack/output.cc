// The pack's output, replaced only by a whole pack.
#include "pack/output.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "format/printable.h"
#include "platform/interruptions.h"
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

// Puts a fresh name for the temporary file, beside final_path, in
// temp_path. Returns -1 when it would not fit.
int choose_temp_name(PackOutput* output) {
  const size_t keep = directory_length(output->final_path);
  char name[40];
  std::snprintf(name, sizeof name, "%s%016" PRIx64 "%s", TEMP_PREFIX, unique_number(), TEMP_SUFFIX);
  const size_t name_length = std::strlen(name);
  if (keep + name_length > static_cast<size_t>(PATH_MAX_LENGTH)) return -1;
  std::memmove(output->temp_path, output->final_path, keep);
  std::memcpy(output->temp_path + keep, name, name_length + 1);
  return 0;
}

// Gives the temporary file its name, temp_path or, when that is taken, a
// fresh one. Interruptions are held. Returns 0 or -1.
int name_temp_file(PackOutput* output) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    if (attempt > 0 && choose_temp_name(output) != 0) return -1;
    const int kept = io_keep_temp(output->file, output->temp_path);
    if (kept == 0) output->temp_named = true;
    if (kept != 1) return kept;
  }
  return -1;
}

// Removes the temporary file's name, when it has one, and its entry among
// the temporary files. Interruptions are held.
void drop_temp_name(PackOutput* output) {
  if (output->temp_named) path_remove(output->temp_path);
  output->temp_named = false;
  forget_temporary(output->temp_slot);
  output->temp_slot = -1;
}

}  // namespace

int find_pack_output(const char* output_name, PackOutput* output) {
  output->name = output_name;
  output->file = nullptr;
  output->existed = false;
  output->existing_is_pack = false;
  output->temp_path[0] = '\0';
  output->temp_named = false;
  output->temp_slot = -1;
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
  catch_interruptions();
  const uint32_t permissions = output->existed ? output->existing.permissions : 0666;
  int named = 0;
  // The file is made and entered among the temporary files with no
  // interruption between. A name that happens to be taken is tried again
  // with another number.
  hold_interruptions();
  for (int attempt = 0; attempt < 8 && output->file == nullptr; ++attempt) {
    if (choose_temp_name(output) != 0) {
      release_interruptions();
      std::printf("%s path name is too long, nothing written !!!\n",
                  printable(output->name).c_str());
      return -1;
    }
    output->file = io_create_temp(output->temp_path, permissions, output->existed ? 1 : 0, &named);
  }
  if (output->file != nullptr && named != 0) {
    output->temp_named = true;
    output->temp_slot = remember_temporary(output->temp_path);
  }
  release_interruptions();
  FileStatus status;
  if (output->file == nullptr || (output->temp_named && output->temp_slot < 0) ||
      io_status(output->file, &status) != 0) {
    std::printf("%s open failed !!!\n", printable(output->name).c_str());
    discard_pack_output(output);
    return -1;
  }
  output->temp_identity = status.identity;
  return 0;
}

int commit_pack_output(PackOutput* output) {
  // An interruption that arrives once the pack has a name waits for it to
  // stand at the output, then ends the run.
  hold_interruptions();
  bool whole = name_temp_file(output) == 0;
  whole = io_close(output->file) == 0 && whole;
  output->file = nullptr;
  whole = whole && path_rename(output->temp_path, output->final_path) == 0;
  if (whole) output->temp_named = false;  // the name is the output's now
  drop_temp_name(output);
  release_interruptions();
  if (!whole) {
    std::printf("%s write failed !!!\n", printable(output->name).c_str());
    return -1;
  }
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
  hold_interruptions();
  if (output->file != nullptr) io_close(output->file);
  output->file = nullptr;
  drop_temp_name(output);
  release_interruptions();
}

}  // namespace blobsmith
