// The steps of extracting one member.
#include "unpack/extraction.h"

#include <cstdio>
#include <cstring>

#include "cli/lines.h"
#include "format/member_name.h"
#include "format/printable.h"
#include "read/block_copy.h"

namespace blobsmith {

namespace {

std::pair<uint64_t, uint64_t> key_of(const FileIdentity& identity) {
  return {identity.device, identity.object};
}

void remember(Extraction* x, const OutObject& object, const int32_t index) {
  if (!object.known) return;
  std::lock_guard<std::mutex> lock(x->made_mutex);
  x->made.emplace(key_of(object.identity), index);
}

void add_collision(const Extraction& x, const char* name, const int32_t earlier_index,
                   std::string* lines) {
  PackEntry earlier;
  decode_table_entry(x.table, earlier_index, &earlier);
  add_line(lines, "%s collides with %s, skipped !!!\n", printable(name).c_str(),
           printable(earlier.name).c_str());
}

// True after adding the line when object is something an earlier member of
// this run made: the earlier member stands.
bool collides(Extraction* x, const OutObject& object, const char* name, std::string* lines) {
  if (!object.known) return false;
  int32_t earlier = -1;
  {
    std::lock_guard<std::mutex> lock(x->made_mutex);
    const auto found = x->made.find(key_of(object.identity));
    if (found != x->made.end()) earlier = found->second;
  }
  if (earlier < 0) return false;
  add_collision(*x, name, earlier, lines);
  return true;
}

// The entry of an earlier member of this run whose file or level the file
// key lands on, or -1: the key itself is its file or a level it needed, or
// a level of the key is its file.
int32_t earlier_owner(const Extraction& x, const char* key, const size_t length) {
  auto file = x.file_keys.find(key);
  if (file != x.file_keys.end()) return file->second;
  const auto level = x.level_keys.find(key);
  if (level != x.level_keys.end()) return level->second;
  for (size_t end = 0; end < length; ++end) {
    if (key[end] != '/') continue;
    file = x.file_keys.find(std::string(key, end));
    if (file != x.file_keys.end()) return file->second;
  }
  return -1;
}

// True after adding one line when, by the rule for names, Windows cannot
// make the member as it is named (a name that is not UTF-8 is still made,
// in the ANSI code page, as earlier builds made it), or it would land on a
// file or directory an earlier member of this run needs. Members are made
// in the "\\?\" form, which lets Windows make what its own rules would
// refuse, and a directory need not fold letter case as the rule does: the
// file identities alone would not tell.
bool refused_by_windows_rules(const Extraction& x, const char* name, std::string* lines) {
  const WindowsHazard hazard = windows_hazard(name);
  if (hazard != HAZARD_NONE && hazard != HAZARD_NOT_UTF8) {
    add_line(lines, "%s cannot be made on Windows, %s, skipped !!!\n", printable(name).c_str(),
             windows_hazard_text(hazard));
    return true;
  }
  char key[PACK_NAME_FIELD_SIZE];
  const size_t length = name_file_key(name, key);
  const int32_t earlier = earlier_owner(x, key, length);
  if (earlier < 0) return false;
  add_collision(x, name, earlier, lines);
  return true;
}

// Enters a member, and the levels it needs, among the keys.
void remember_keys(Extraction* x, const char* name, const int32_t index) {
  char key[PACK_NAME_FIELD_SIZE];
  const size_t length = name_file_key(name, key);
  x->file_keys.emplace(key, index);
  for (size_t end = 0; end < length; ++end) {
    if (key[end] == '/') x->level_keys.emplace(std::string(key, end), index);
  }
}

// out_dir and the first `levels` levels (and the leaf, when given) joined by
// the platform's separator: the path a message names.
std::string shown_path(const Extraction& x, const MemberPath& path, const int levels,
                       const char* leaf) {
  std::string shown = x.out_dir;
  for (int k = 0; k < levels; ++k) (shown += platform_separator()) += path.levels[k];
  if (leaf != nullptr) (shown += platform_separator()) += leaf;
  return printable(shown.c_str());
}

// Points *bytes at the member's size bytes from offset in the window,
// reading the window anew from offset when it does not hold them. False
// when the pack cannot give them all that way.
bool window_holds(Extraction* x, PackWindow* window, const int64_t offset, const size_t size,
                  const unsigned char** bytes) {
  if (offset < window->start ||
      offset + static_cast<int64_t>(size) > window->start + static_cast<int64_t>(window->length)) {
    window->bytes.resize(IO_BUFFER_SIZE);
    window->start = offset;
    window->length = io_read_at(x->pack, window->bytes.data(), IO_BUFFER_SIZE, offset);
    if (window->length < size) return false;
  }
  *bytes = window->bytes.data() + (offset - window->start);
  return true;
}

}  // namespace

void split_name(const char* name, MemberPath* path) {
  path->level_count = 0;
  size_t length = 0;
  for (const char* p = name;; ++p) {
    if (*p != '\0' && !is_name_separator(*p)) {
      path->leaf[length++] = *p;
      continue;
    }
    path->leaf[length] = '\0';
    if (*p == '\0') return;
    // An empty level (doubled separator) adds nothing.
    if (length > 0) std::memcpy(path->levels[path->level_count++], path->leaf, length + 1);
    length = 0;
  }
}

bool check_member(Extraction* x, const PackEntry& entry, const bool terminated, const int32_t index,
                  MemberPath* path, std::string* lines) {
  if (!terminated || !member_name_is_safe(entry.name)) {
    add_line(lines, "%s unsafe name, skipped !!!\n", printable(entry.name).c_str());
    return false;
  }
  if (std::strlen(x->out_dir) + 1 + std::strlen(entry.name) >
      static_cast<size_t>(PATH_MAX_LENGTH)) {
    add_line(lines, "%s path name is too long, skipped !!!\n", printable(entry.name).c_str());
    return false;
  }
  if (windows_name_rules()) {
    if (refused_by_windows_rules(*x, entry.name, lines)) return false;
    if (x->keys_at_check) remember_keys(x, entry.name, index);
  }
  if (x->root == nullptr) {
    if (x->root_failed) return false;
    x->root = out_dir_open(x->out_dir);
    if (x->root == nullptr) {
      add_line(lines, "%s open failed !!!\n", printable(x->out_dir).c_str());
      x->root_failed = true;
      return false;
    }
  }
  split_name(entry.name, path);
  // A name that ends in a separator or a "." level names no file.
  if (path->leaf[0] == '\0' || std::strcmp(path->leaf, ".") == 0) {
    add_line(lines, "%s open failed !!!\n", printable(entry.name).c_str());
    return false;
  }
  return true;
}

OutDir* open_member_level(Extraction* x, OutDir* parent, const MemberPath& path, const int k,
                          const char* name, const int32_t index, std::string* lines) {
  int failure = OUT_FAILED;
  OutObject object;
  OutDir* level = out_dir_open_level(parent, path.levels[k], &object, &failure);
  if (level == nullptr) {
    if (collides(x, object, name, lines)) return nullptr;
    if (failure == OUT_NOT_PLAIN) {
      add_line(lines, "%s is a link or special file, skipped !!!\n",
               shown_path(*x, path, k + 1, nullptr).c_str());
    } else {
      add_line(lines, "%s open failed !!!\n", printable(name).c_str());
    }
    return nullptr;
  }
  if (object.made) remember(x, object, index);
  return level;
}

bool write_member_file(Extraction* x, OutDir* dir, const MemberPath& path, const PackEntry& entry,
                       const int32_t index, std::string* lines, PackWindow* window) {
  int failure = OUT_FAILED;
  OutObject object;
  IoFile* out = out_dir_create_file(dir, path.leaf, &object, &failure);
  if (out == nullptr && failure == OUT_EXISTS) {
    if (collides(x, object, entry.name, lines)) return false;
    out = out_dir_replace_file(dir, path.leaf, &x->pack_status.identity, &object, &failure);
  }
  if (out == nullptr) {
    if (failure == OUT_NOT_PLAIN) {
      add_line(lines, "%s is a link or special file, skipped !!!\n",
               shown_path(*x, path, path.level_count, path.leaf).c_str());
    } else if (failure == OUT_IS_PROTECTED) {
      add_line(lines, "%s is the pack being read, skipped !!!\n", printable(entry.name).c_str());
    } else {
      add_line(lines, "%s open failed !!!\n", printable(entry.name).c_str());
    }
    return false;
  }
  remember(x, object, index);
  if (windows_name_rules() && !x->keys_at_check) remember_keys(x, entry.name, index);
  // Offsets are 32-bit signed words: start_block * 512 wraps as the format
  // says, and a negative offset cannot be reached, so nothing is read.
  const int32_t offset =
      static_cast<int32_t>(entry.start_block * static_cast<uint32_t>(PACK_BLOCK_SIZE));
  CopyOutcome copy;
  const size_t size = entry.byte_size > 0 ? static_cast<size_t>(entry.byte_size) : 0;
  const unsigned char* held = nullptr;
  if (window != nullptr && offset >= 0 && size <= IO_BUFFER_SIZE &&
      window_holds(x, window, offset, size, &held)) {
    copy.read_short = false;
    copy.write_failed = size > 0 && io_write_at(out, held, size, 0) != 0;
  } else if (x->positional_reads) {
    // The new file is written at offsets too: it never needs a buffer.
    copy = copy_blocks(offset >= 0 ? x->pack : nullptr, out, entry.byte_size, BLOCKS_EXACT, nullptr,
                       CopyPlaces{offset, 0});
  } else {
    const bool positioned = offset >= 0 && io_seek(x->pack, offset, SEEK_SET) == 0;
    copy = copy_blocks(positioned ? x->pack : nullptr, out, entry.byte_size, BLOCKS_EXACT);
  }
  if (copy.read_short) add_line(lines, "%s read failed !!!\n", printable(entry.name).c_str());
  const bool closed = io_close(out) == 0;
  if (copy.write_failed || !closed) {
    add_line(lines, "%s write failed !!!\n",
             shown_path(*x, path, path.level_count, path.leaf).c_str());
  }
  return !copy.read_short && !copy.write_failed && closed;
}

}  // namespace blobsmith
