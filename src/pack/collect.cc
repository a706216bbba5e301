// The depth-first walk that fills the NameTable, and the packer's order.
#include "pack/collect.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <numeric>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "format/member_name.h"
#include "format/printable.h"
#include "pack/ignore_match.h"
#include "pack/output.h"
#include "read/io_source.h"

namespace blobsmith {

IgnoreList g_ignore_list = {{}, 0};

namespace {

struct Entry {
  std::string name;
  PathKind kind;
  bool identity_known;
  FileIdentity identity;
  uint64_t object_hint;
};

struct Walk {
  NameTable* table;
  int prefix_len;
  WalkReport* report;
  std::set<std::pair<uint64_t, uint64_t>> entered;  // every directory so far
};

// True when a -g name leaves out the entry called name in dir; relative_dir
// is dir's path below the input directory ("" at its top).
bool is_ignored(const Entry& entry, const char* relative_dir) {
  if (g_ignore_list.count == 0) return false;
  const std::string relative =
      relative_dir[0] == '\0' ? entry.name : std::string(relative_dir) + "/" + entry.name;
  for (int i = 0; i < g_ignore_list.count; ++i) {
    if (ignore_pattern_matches(g_ignore_list.names[i], entry.name.c_str(), relative.c_str(),
                               entry.kind == PATH_DIRECTORY, is_platform_separator('\\'))) {
      return true;
    }
  }
  return false;
}

void skip(Walk* walk) {
  if (walk->report != nullptr) ++walk->report->skipped;
}

// True when the entry at path is the file the pack will replace: it is left
// out when that file is an earlier pack, and noted otherwise. Only entries
// whose object number matches (or is not known) are looked at more closely.
bool is_file(const Entry& entry, const char* path, const FileIdentity* file) {
  if (file == nullptr) return false;
  FileIdentity identity = entry.identity;
  if (!entry.identity_known) {
    if (entry.object_hint != 0 && entry.object_hint != file->object) return false;
    FileStatus status;
    if (path_status(path, 1, &status) != 0) return false;
    identity = status.identity;
  }
  return same_identity(identity, *file);
}

bool is_output(const Entry& entry, const char* path, const Walk& walk) {
  return walk.report != nullptr && is_file(entry, path, walk.report->output);
}

// The dependency file of the run describes the pack; it is never in it.
bool is_depfile(const Entry& entry, const char* path, const Walk& walk) {
  return walk.report != nullptr && is_file(entry, path, walk.report->depfile);
}

// The entries of an open search, "." and ".." and ignored names left out,
// in name order so that the walk never depends on the order a directory
// lists them in. *whole is cleared when the listing broke off.
std::vector<Entry> sorted_entries(DirSearch* search, bool* whole) {
  std::vector<Entry> entries;
  DirEntryInfo info;
  int next = 0;
  while ((next = dir_search_next(search, &info)) == 1) {
    if (std::strcmp(info.name, ".") == 0 || std::strcmp(info.name, "..") == 0) continue;
    entries.push_back(
        Entry{info.name, info.kind, info.identity_known, info.identity, info.object_hint});
  }
  *whole = next == 0;
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return compare_name_order(a.name.c_str(), b.name.c_str()) < 0;
  });
  return entries;
}

int walk_directory(const char* dir, const int first_index, const int capacity, Walk* walk,
                   const bool top = false) {
  FileIdentity identity;
  DirSearch* search = dir_search_open(dir, &identity);
  if (search == nullptr && top) {
    // The top directory's own failure is the caller's to report.
    if (walk->report != nullptr) walk->report->top_unreadable = true;
    return 0;
  }
  if (search == nullptr) {
    std::printf("%s cannot be searched, skipped !!!\n", printable(dir).c_str());
    skip(walk);
    return 0;
  }
  // However many links lead to a directory, it is entered once.
  const bool first_visit = walk->entered.insert({identity.device, identity.object}).second;
  bool whole = true;
  const std::vector<Entry> entries =
      first_visit ? sorted_entries(search, &whole) : std::vector<Entry>();
  dir_search_close(search);
  if (!whole) {
    // What was listed before the failure is still packed.
    std::printf("%s read failed !!!\n", printable(dir).c_str());
    skip(walk);
  }

  if (first_visit && walk->report != nullptr && walk->report->directories != nullptr) {
    walk->report->directories->emplace_back(dir);
  }
  const size_t dir_length = std::strlen(dir);
  const char* relative_dir =
      dir_length >= static_cast<size_t>(walk->prefix_len) ? dir + walk->prefix_len : "";
  int count = 0;
  for (const Entry& entry : entries) {
    if (count >= capacity) break;
    if (is_ignored(entry, relative_dir)) continue;
    const size_t name_length = entry.name.size();
    if (dir_length + 1 + name_length > static_cast<size_t>(PATH_MAX_LENGTH)) {
      std::printf("!!! %s/%s path name is too long, skiped !!!\n", printable(dir).c_str(),
                  printable(entry.name.c_str()).c_str());
      skip(walk);
      continue;
    }
    char child[PATH_BUFFER_SIZE];
    std::memcpy(child, dir, dir_length);
    child[dir_length] = '/';
    std::memcpy(child + dir_length + 1, entry.name.c_str(), name_length + 1);
    // Where "\\" is an ordinary character of a name, it would still be
    // stored, and come back, as a level separator.
    if (!is_platform_separator('\\') && entry.name.find('\\') != std::string::npos) {
      std::printf("%s name holds a backslash, skipped !!!\n", printable(child).c_str());
      skip(walk);
      continue;
    }
    if (top && begins_with_drive_prefix(entry.name.c_str())) {
      std::printf("%s name begins with a drive prefix, skipped !!!\n", printable(child).c_str());
      skip(walk);
      continue;
    }
    if (entry.kind == PATH_DIRECTORY) {
      // A link to a directory already walked is not even opened.
      if (entry.identity_known &&
          walk->entered.count({entry.identity.device, entry.identity.object}) != 0) {
        continue;
      }
      count += walk_directory(child, first_index + count, capacity - count, walk);
      continue;
    }
    const size_t child_length = dir_length + 1 + name_length;
    if (child_length - static_cast<size_t>(walk->prefix_len) >
        static_cast<size_t>(PACK_NAME_MAX_LENGTH)) {
      std::printf("!!! %s path name is too long, skiped !!!\n", printable(child).c_str());
      skip(walk);
      continue;
    }
    if (is_output(entry, child, *walk)) {
      if (!walk->report->output_is_pack) walk->report->output_met = true;
      continue;
    }
    if (is_depfile(entry, child, *walk)) {
      if (!walk->report->depfile_is_ours) walk->report->depfile_met = true;
      continue;
    }
    if (entry.kind == PATH_REGULAR && is_temporary_pack_name(entry.name.c_str()) &&
        file_holds_pack(child)) {
      std::printf("%s is a temporary file of an unfinished run, skipped !!!\n",
                  printable(child).c_str());
      skip(walk);
      continue;
    }
    std::memcpy(walk->table->slots[first_index + count], child, child_length + 1);
    walk->table->kinds[first_index + count] = static_cast<unsigned char>(entry.kind);
    ++count;
  }
  return count;
}

}  // namespace

int collect_files(const char* dir, NameTable* table, const int prefix_len, const int first_index,
                  const int capacity, WalkReport* report) {
  if (first_index < 0 || first_index >= PACK_MAX_ENTRIES || capacity <= 0) return 0;
  const int room = PACK_MAX_ENTRIES - first_index;
  if (report != nullptr) {
    report->top_unreadable = false;
    report->output_met = false;
    report->skipped = 0;
  }
  Walk walk{table, prefix_len, report, {}};
  return walk_directory(dir, first_index, capacity < room ? capacity : room, &walk, true);
}

int compare_names(const void* a, const void* b) {
  return compare_name_order(static_cast<const char*>(a), static_cast<const char*>(b));
}

void sort_name_table(NameTable* table, const int count) {
  std::vector<int> order(static_cast<size_t>(count));
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [table](const int a, const int b) {
    return compare_names(table->slots[a], table->slots[b]) < 0;
  });
  // Slot i takes what stood at order[i]: each cycle of the permutation is
  // walked once, its first slot held aside.
  std::vector<bool> placed(static_cast<size_t>(count), false);
  char held[PATH_BUFFER_SIZE];
  for (int start = 0; start < count; ++start) {
    if (placed[static_cast<size_t>(start)]) continue;
    std::memcpy(held, table->slots[start], PATH_BUFFER_SIZE);
    const unsigned char held_kind = table->kinds[start];
    int at = start;
    for (;;) {
      placed[static_cast<size_t>(at)] = true;
      const int from = order[static_cast<size_t>(at)];
      if (from == start) break;
      std::memcpy(table->slots[at], table->slots[from], PATH_BUFFER_SIZE);
      table->kinds[at] = table->kinds[from];
      at = from;
    }
    std::memcpy(table->slots[at], held, PATH_BUFFER_SIZE);
    table->kinds[at] = held_kind;
  }
}

namespace {

// A relative name as its entry will hold it, "\\" between levels, printable.
std::string stored_form(const char* relative) {
  std::string shown = printable(relative);
  std::replace(shown.begin(), shown.end(), '/', '\\');
  return shown;
}

}  // namespace

int report_name_clashes(const NameTable& table, const int count, const int prefix_len) {
  int lines = 0;
  std::map<std::string, int> files;  // file key -> the first slot that has it
  for (int i = 0; i < count; ++i) {
    const char* name = table.slots[i] + prefix_len;
    const WindowsHazard hazard = windows_hazard(name);
    if (hazard != HAZARD_NONE) {
      std::printf("%s cannot be made on Windows, %s !!!\n", stored_form(name).c_str(),
                  windows_hazard_text(hazard));
      ++lines;
    }
    char key[PACK_NAME_FIELD_SIZE];
    name_file_key(name, key);
    const auto first = files.emplace(key, i);
    if (first.second) continue;
    const char* earlier = table.slots[first.first->second] + prefix_len;
    std::printf(compare_folded_names(earlier, name) == 0
                    ? "%s and %s differ only in letter case !!!\n"
                    : "%s and %s name the same file on Windows !!!\n",
                stored_form(earlier).c_str(), stored_form(name).c_str());
    ++lines;
  }
  // A file whose key is a level of another's: one of them cannot be made.
  for (int i = 0; i < count; ++i) {
    const char* name = table.slots[i] + prefix_len;
    char key[PACK_NAME_FIELD_SIZE];
    const size_t length = name_file_key(name, key);
    for (size_t end = 0; end < length; ++end) {
      if (key[end] != '/') continue;
      const auto file = files.find(std::string(key, end));
      if (file == files.end()) continue;
      std::printf("%s and %s name the same file on Windows !!!\n",
                  stored_form(table.slots[file->second] + prefix_len).c_str(),
                  stored_form(name).c_str());
      ++lines;
      break;
    }
  }
  return lines;
}

}  // namespace blobsmith
