// The depth-first walk that fills the NameTable, and the packer's order.
#include "pack/collect.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "format/member_name.h"

IgnoreList g_ignore_list = {{}, 0};

namespace {

// Each level of a path takes at least two bytes, so a walk that keeps its
// paths inside one buffer is never deeper than this.
constexpr int MAX_WALK_DEPTH = PATH_BUFFER_SIZE / 2;

struct WalkState {
  NameTable* table;
  int prefix_len;
  const FileIdentity* excluded;
  FileIdentity ancestors[MAX_WALK_DEPTH];  // directories on the current path
  int depth;
};

bool same_identity(const FileIdentity& a, const FileIdentity& b) {
  return a.device == b.device && a.object == b.object;
}

bool is_ignored(const char* name) {
  for (int i = 0; i < g_ignore_list.count; ++i) {
    if (std::strcmp(g_ignore_list.names[i], name) == 0) return true;
  }
  return false;
}

// True when the directory at path is already on the walk's path (a link
// loop) or the walk is as deep as a path buffer allows; otherwise pushes it.
bool enter_directory(const char* path, WalkState* state) {
  FileIdentity identity;
  if (file_identity(path, &identity) != 0) return true;
  for (int i = 0; i < state->depth; ++i) {
    if (same_identity(state->ancestors[i], identity)) return true;
  }
  if (state->depth == MAX_WALK_DEPTH) return true;
  state->ancestors[state->depth++] = identity;
  return false;
}

int walk(const char* dir, const int first_index, const int capacity, WalkState* state) {
  if (capacity <= 0) return 0;
  DirSearch* search = dir_search_open(dir);
  if (search == nullptr) return 0;
  if (enter_directory(dir, state)) {
    dir_search_close(search);
    return 0;
  }
  const size_t dir_length = std::strlen(dir);
  int count = 0;
  DirEntryInfo info;
  while (count < capacity && dir_search_next(search, &info) == 1) {
    if (std::strcmp(info.name, ".") == 0 || std::strcmp(info.name, "..") == 0) continue;
    if (is_ignored(info.name)) continue;
    const size_t name_length = std::strlen(info.name);
    if (dir_length + 1 + name_length > static_cast<size_t>(PATH_MAX_LENGTH)) {
      std::printf("!!! %s/%s path name is too long, skiped !!!\n", dir, info.name);
      continue;
    }
    char child[PATH_BUFFER_SIZE];
    std::memcpy(child, dir, dir_length);
    child[dir_length] = '/';
    std::memcpy(child + dir_length + 1, info.name, name_length + 1);
    if (info.kind == PATH_DIRECTORY) {
      count += walk(child, first_index + count, capacity - count, state);
      continue;
    }
    const size_t child_length = dir_length + 1 + name_length;
    if (child_length - static_cast<size_t>(state->prefix_len) > static_cast<size_t>(PACK_NAME_MAX_LENGTH)) {
      std::printf("!!! %s path name is too long, skiped !!!\n", child);
      continue;
    }
    if (state->excluded != nullptr && info.kind == PATH_REGULAR) {
      FileIdentity identity;
      if (file_identity(child, &identity) == 0 && same_identity(identity, *state->excluded)) continue;
    }
    std::memcpy(state->table->slots[first_index + count], child, child_length + 1);
    ++count;
  }
  dir_search_close(search);
  --state->depth;
  return count;
}

}  // namespace

int collect_files(const char* dir, NameTable* table, const int prefix_len, const int first_index,
                  const int capacity, const FileIdentity* excluded) {
  if (first_index < 0 || first_index >= PACK_MAX_ENTRIES) return 0;
  const int room = PACK_MAX_ENTRIES - first_index;
  WalkState* state = new (std::nothrow) WalkState{};
  if (state == nullptr) return 0;
  state->table = table;
  state->prefix_len = prefix_len;
  state->excluded = excluded;
  const int count = walk(dir, first_index, capacity < room ? capacity : room, state);
  delete state;
  return count;
}

int compare_names(const void* a, const void* b) {
  return compare_name_order(static_cast<const char*>(a), static_cast<const char*>(b), false);
}
