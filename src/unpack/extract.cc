// The extractor: reads the header and the entry table, then copies each
// member from its own blocks into a file made inside its open directory.
#include "unpack/extract.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "format/member_name.h"
#include "format/pack_format.h"
#include "format/printable.h"
#include "platform/io.h"
#include "read/block_copy.h"
#include "read/io_source.h"
#include "unpack/select.h"

namespace blobsmith {

namespace {

// A name of 55 characters has at most 28 levels.
constexpr int MAX_LEVELS = PACK_NAME_FIELD_SIZE / 2;

// The open directories of the current member's levels, kept for the next
// member: members come sorted, so the next one usually shares most of them.
// An open directory keeps naming the directory it opened even if its path
// is changed meanwhile, so what was checked once stays true.
struct LevelChain {
  OutDir* root;  // out_dir
  int depth;     // levels open below it
  OutDir* dirs[MAX_LEVELS];
  char names[MAX_LEVELS][PACK_NAME_FIELD_SIZE];
};

// Every file and directory this run made or wrote, and the entry it made
// it for: a member that meets one of them would overwrite an earlier
// member. Known by identity, so names the file system folds together
// (letter case, and on some systems far more) are caught as well.
using MadeObjects = std::map<std::pair<uint64_t, uint64_t>, int32_t>;

// Where files are made through Windows' rules for names, the same told by
// rule before anything is made: the file key (name_file_key) of every
// member written, and of every directory level it needed, with the entry
// that came first.
using MadeKeys = std::map<std::string, int32_t>;

struct Extraction {
  const char* pack_path;
  const char* out_dir;
  IoFile* pack;
  FileStatus pack_status;
  bool root_failed;
  LevelChain chain;
  const unsigned char* table;  // the entry images, for the names of earlier members
  MadeObjects made;
  MadeKeys file_keys;
  MadeKeys level_keys;
};

std::pair<uint64_t, uint64_t> key_of(const FileIdentity& identity) {
  return {identity.device, identity.object};
}

void remember(Extraction* x, const OutObject& object, const int32_t index) {
  if (object.known) x->made.emplace(key_of(object.identity), index);
}

void print_collision(const Extraction& x, const char* name, const int32_t earlier_index) {
  PackEntry earlier;
  unsigned char image[PACK_ENTRY_SIZE];
  std::memcpy(image, x.table + static_cast<size_t>(earlier_index) * PACK_ENTRY_SIZE,
              PACK_ENTRY_SIZE);
  decode_entry(image, &earlier);
  std::printf("%s collides with %s, skipped !!!\n", printable(name).c_str(),
              printable(earlier.name).c_str());
}

// True after printing the line when object is something an earlier member
// of this run made: the earlier member stands.
bool collides(const Extraction& x, const OutObject& object, const char* name) {
  if (!object.known) return false;
  const auto found = x.made.find(key_of(object.identity));
  if (found == x.made.end()) return false;
  print_collision(x, name, found->second);
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

// True after printing one line when, by the rule for names, Windows cannot
// make the member as it is named (a name that is not UTF-8 is still made,
// in the ANSI code page, as earlier builds made it), or it would land on a
// file or directory an earlier member of this run needs. Members are made
// in the "\\?\" form, which lets Windows make what its own rules would
// refuse, and a directory need not fold letter case as the rule does: the
// file identities alone would not tell.
bool refused_by_windows_rules(const Extraction& x, const char* name) {
  const WindowsHazard hazard = windows_hazard(name);
  if (hazard != HAZARD_NONE && hazard != HAZARD_NOT_UTF8) {
    std::printf("%s cannot be made on Windows, %s, skipped !!!\n", printable(name).c_str(),
                windows_hazard_text(hazard));
    return true;
  }
  char key[PACK_NAME_FIELD_SIZE];
  const size_t length = name_file_key(name, key);
  const int32_t earlier = earlier_owner(x, key, length);
  if (earlier < 0) return false;
  print_collision(x, name, earlier);
  return true;
}

// Enters a member just made, and the levels it needed, among the keys.
void remember_keys(Extraction* x, const char* name, const int32_t index) {
  char key[PACK_NAME_FIELD_SIZE];
  const size_t length = name_file_key(name, key);
  x->file_keys.emplace(key, index);
  for (size_t end = 0; end < length; ++end) {
    if (key[end] == '/') x->level_keys.emplace(std::string(key, end), index);
  }
}

// A member's name cut into its levels and its leaf.
struct MemberPath {
  char levels[MAX_LEVELS][PACK_NAME_FIELD_SIZE];
  int level_count;
  char leaf[PACK_NAME_FIELD_SIZE];
};

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

// out_dir and the first `levels` levels (and the leaf, when given) joined by
// the platform's separator: the path a message names.
std::string shown_path(const Extraction& x, const MemberPath& path, const int levels,
                       const char* leaf) {
  std::string shown = x.out_dir;
  for (int k = 0; k < levels; ++k) (shown += platform_separator()) += path.levels[k];
  if (leaf != nullptr) (shown += platform_separator()) += leaf;
  return printable(shown.c_str());
}

void close_levels_from(LevelChain* chain, const int depth) {
  while (chain->depth > depth) out_dir_close(chain->dirs[--chain->depth]);
}

// The open directory of the member's last level, reusing the levels the
// previous member left open. Returns nullptr after printing a line.
OutDir* enter_levels(Extraction* x, const MemberPath& path, const char* name, const int32_t index) {
  LevelChain* chain = &x->chain;
  int shared = 0;
  while (shared < chain->depth && shared < path.level_count &&
         std::strcmp(chain->names[shared], path.levels[shared]) == 0) {
    ++shared;
  }
  close_levels_from(chain, shared);
  for (int k = shared; k < path.level_count; ++k) {
    OutDir* parent = k == 0 ? chain->root : chain->dirs[k - 1];
    int failure = OUT_FAILED;
    OutObject object;
    OutDir* level = out_dir_open_level(parent, path.levels[k], &object, &failure);
    if (level == nullptr) {
      if (collides(*x, object, name)) return nullptr;
      if (failure == OUT_NOT_PLAIN) {
        std::printf("%s is a link or special file, skipped !!!\n",
                    shown_path(*x, path, k + 1, nullptr).c_str());
      } else {
        std::printf("%s open failed !!!\n", printable(name).c_str());
      }
      return nullptr;
    }
    if (object.made) remember(x, object, index);
    std::memcpy(chain->names[k], path.levels[k], PACK_NAME_FIELD_SIZE);
    chain->dirs[k] = level;
    chain->depth = k + 1;
  }
  return path.level_count == 0 ? chain->root : chain->dirs[path.level_count - 1];
}

// Writes one member. Returns false after any failure (already reported).
bool extract_member(Extraction* x, const PackEntry& entry, const bool terminated,
                    const int32_t index) {
  if (!terminated || !member_name_is_safe(entry.name)) {
    std::printf("%s unsafe name, skipped !!!\n", printable(entry.name).c_str());
    return false;
  }
  if (std::strlen(x->out_dir) + 1 + std::strlen(entry.name) >
      static_cast<size_t>(PATH_MAX_LENGTH)) {
    std::printf("%s path name is too long, skipped !!!\n", printable(entry.name).c_str());
    return false;
  }
  if (windows_name_rules() && refused_by_windows_rules(*x, entry.name)) return false;
  if (x->chain.root == nullptr) {
    if (x->root_failed) return false;
    x->chain.root = out_dir_open(x->out_dir);
    if (x->chain.root == nullptr) {
      std::printf("%s open failed !!!\n", printable(x->out_dir).c_str());
      x->root_failed = true;
      return false;
    }
  }
  MemberPath path;
  split_name(entry.name, &path);
  // A name that ends in a separator or a "." level names no file.
  if (path.leaf[0] == '\0' || std::strcmp(path.leaf, ".") == 0) {
    std::printf("%s open failed !!!\n", printable(entry.name).c_str());
    return false;
  }
  OutDir* dir = enter_levels(x, path, entry.name, index);
  if (dir == nullptr) return false;

  int failure = OUT_FAILED;
  OutObject object;
  IoFile* out = out_dir_create_file(dir, path.leaf, &object, &failure);
  if (out == nullptr && failure == OUT_EXISTS) {
    if (collides(*x, object, entry.name)) return false;
    out = out_dir_replace_file(dir, path.leaf, &x->pack_status.identity, &object, &failure);
  }
  if (out == nullptr) {
    if (failure == OUT_NOT_PLAIN) {
      std::printf("%s is a link or special file, skipped !!!\n",
                  shown_path(*x, path, path.level_count, path.leaf).c_str());
    } else if (failure == OUT_IS_PROTECTED) {
      std::printf("%s is the pack being read, skipped !!!\n", printable(entry.name).c_str());
    } else {
      std::printf("%s open failed !!!\n", printable(entry.name).c_str());
    }
    return false;
  }
  remember(x, object, index);
  if (windows_name_rules()) remember_keys(x, entry.name, index);
  // Offsets are 32-bit signed words: start_block * 512 wraps as the format
  // says, and a negative offset cannot be reached, so nothing is read.
  const int32_t offset =
      static_cast<int32_t>(entry.start_block * static_cast<uint32_t>(PACK_BLOCK_SIZE));
  const bool positioned = offset >= 0 && io_seek(x->pack, offset, SEEK_SET) == 0;
  const CopyOutcome copy =
      copy_blocks(positioned ? x->pack : nullptr, out, entry.byte_size, BLOCKS_EXACT);
  if (copy.read_short) std::printf("%s read failed !!!\n", printable(entry.name).c_str());
  const bool closed = io_close(out) == 0;
  if (copy.write_failed || !closed) {
    std::printf("%s write failed !!!\n", shown_path(*x, path, path.level_count, path.leaf).c_str());
  }
  return !copy.read_short && !copy.write_failed && closed;
}

// Marks the members only asks for, printing a line for each name that
// asks for none. Returns false when there was such a name.
bool choose_only(const unsigned char* table, const int32_t count, const MemberChoice& only,
                 std::vector<bool>* chosen) {
  bool all_found = true;
  for (int n = 0; n < only.count; ++n) {
    if (choose_members(table, count, only.names[n], true, chosen) == 0) {
      std::printf("%s matches no member !!!\n", printable(only.names[n]).c_str());
      all_found = false;
    }
  }
  return all_found;
}

// Reads the table and extracts every member (or those only asks for).
// Returns the exit status.
ExtractOutcome extract_members(Extraction* x, const int32_t count, const int32_t reserved_whole,
                               const MemberChoice* only) {
  ExtractOutcome status = EXTRACTED;
  for (int32_t block = reserved_whole; block < PACK_RESERVED_BLOCKS; ++block) {
    std::printf("%s read failed !!!\n", printable(x->pack_path).c_str());
    status = EXTRACTED_REPORTED;
  }
  const size_t table_size = static_cast<size_t>(count) * PACK_ENTRY_SIZE;
  unsigned char* table = static_cast<unsigned char*>(std::malloc(table_size));
  if (table == nullptr) {
    std::printf("%s cannot be extracted, out of memory !!!\n", printable(x->pack_path).c_str());
    return NOTHING_EXTRACTED;
  }
  // An entry read short holds the bytes read, then zeros, and is processed
  // like any other.
  const int32_t whole = read_pack_table(io_source(x->pack), count, table);
  for (int32_t i = whole; i < count; ++i) {
    std::printf("%s read failed !!!\n", printable(x->pack_path).c_str());
    status = EXTRACTED_REPORTED;
  }
  x->table = table;
  std::vector<bool> chosen(static_cast<size_t>(count), only == nullptr);
  if (only != nullptr && !choose_only(table, count, *only, &chosen)) status = EXTRACTED_REPORTED;
  for (int32_t i = 0; i < count; ++i) {
    if (!chosen[static_cast<size_t>(i)]) continue;
    unsigned char image[PACK_ENTRY_SIZE];
    std::memcpy(image, table + static_cast<size_t>(i) * PACK_ENTRY_SIZE, PACK_ENTRY_SIZE);
    PackEntry entry;
    const bool terminated = decode_entry(image, &entry) == 0;
    if (!extract_member(x, entry, terminated, i)) status = EXTRACTED_REPORTED;
  }
  std::free(table);
  close_levels_from(&x->chain, 0);
  if (x->chain.root != nullptr) out_dir_close(x->chain.root);
  return x->root_failed ? NOTHING_EXTRACTED : status;
}

}  // namespace

ExtractOutcome extract_pack(const char* pack_path, const char* out_dir, const MemberChoice* only) {
  if (out_dir[0] == '\0') {
    // Paths would start at the root of the file system.
    std::printf("empty output directory name, nothing extracted !!!\n");
    return NOTHING_EXTRACTED;
  }
  Extraction x{pack_path, out_dir, io_open(pack_path), {}, false, {}, nullptr, {}, {}, {}};
  if (x.pack == nullptr || io_status(x.pack, &x.pack_status) != 0) {
    std::printf("%s open failed !!!\n", printable(pack_path).c_str());
    if (x.pack != nullptr) io_close(x.pack);
    return NOTHING_EXTRACTED;
  }
  PackHead head;
  read_pack_head(io_source(x.pack), &head);
  ExtractOutcome status = NOTHING_EXTRACTED;
  // The extractor accepts more than the gate calls a pack: it has always
  // trusted the file and gone by its entry count alone, so a pack whose
  // magic or tail signature a device's own tools rewrote still unpacks.
  const PackHeaderCheck check = check_pack_header(head);
  if (check == PACK_HEADER_SHORT) {
    // The header counts as all zero: nothing is extracted.
    std::printf("%s read header failed !!!\n", printable(pack_path).c_str());
  } else if (check == PACK_HEADER_ENTRY_COUNT || !entry_count_usable(head.header.entry_count)) {
    std::printf("%s holds no members, nothing extracted !!!\n", printable(pack_path).c_str());
  } else {
    status = extract_members(&x, head.header.entry_count, head.reserved_whole, only);
  }
  io_close(x.pack);
  return status;
}

ExtractOutcome print_member(const char* pack_path, const char* name, std::FILE* data) {
  IoFile* pack = io_open(pack_path);
  if (pack == nullptr) {
    std::printf("%s open failed !!!\n", printable(pack_path).c_str());
    return NOTHING_EXTRACTED;
  }
  PackHead head;
  read_pack_head(io_source(pack), &head);
  // The header is taken as the extractor takes it.
  const int32_t count = head.header.entry_count;
  ExtractOutcome status = NOTHING_EXTRACTED;
  std::vector<unsigned char> table;
  if (check_pack_header(head) == PACK_HEADER_SHORT) {
    std::printf("%s read header failed !!!\n", printable(pack_path).c_str());
  } else if (!entry_count_usable(count)) {
    std::printf("%s holds no members, nothing extracted !!!\n", printable(pack_path).c_str());
  } else {
    table.resize(static_cast<size_t>(count) * PACK_ENTRY_SIZE);
    read_pack_table(io_source(pack), count, table.data());
    status = EXTRACTED_REPORTED;
  }
  std::vector<bool> chosen(table.size() / PACK_ENTRY_SIZE, false);
  if (status == EXTRACTED_REPORTED &&
      choose_members(table.data(), count, name, false, &chosen) == 0) {
    std::printf("%s matches no member !!!\n", printable(name).c_str());
  } else if (status == EXTRACTED_REPORTED) {
    const int32_t index =
        static_cast<int32_t>(std::find(chosen.begin(), chosen.end(), true) - chosen.begin());
    unsigned char image[PACK_ENTRY_SIZE];
    std::memcpy(image, table.data() + static_cast<size_t>(index) * PACK_ENTRY_SIZE,
                PACK_ENTRY_SIZE);
    PackEntry entry;
    decode_entry(image, &entry);
    // Offsets as the extractor takes them: 32-bit signed words.
    const int32_t offset =
        static_cast<int32_t>(entry.start_block * static_cast<uint32_t>(PACK_BLOCK_SIZE));
    const bool positioned = offset >= 0 && io_seek(pack, offset, SEEK_SET) == 0;
    std::vector<unsigned char> buffer(IO_BUFFER_SIZE);
    int64_t left = entry.byte_size > 0 ? entry.byte_size : 0;
    bool read_short = !positioned && left > 0;
    bool write_failed = false;
    while (left > 0 && !read_short && !write_failed) {
      const size_t piece =
          left < static_cast<int64_t>(buffer.size()) ? static_cast<size_t>(left) : buffer.size();
      const size_t got = io_read(buffer.data(), 1, piece, pack);
      read_short = got < piece;
      write_failed = std::fwrite(buffer.data(), 1, got, data) != got;
      left -= static_cast<int64_t>(piece);
    }
    write_failed = std::fflush(data) != 0 || write_failed;
    if (read_short) std::printf("%s read failed !!!\n", printable(entry.name).c_str());
    if (write_failed) std::printf("%s write failed !!!\n", printable(entry.name).c_str());
    if (!read_short && !write_failed) status = EXTRACTED;
  }
  io_close(pack);
  return status;
}

}  // namespace blobsmith
