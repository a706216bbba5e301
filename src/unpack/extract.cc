// The extractor: reads the header and the entry table, then copies each
// member from its own blocks into a file made inside its open directory.
#include "unpack/extract.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/jobs.h"
#include "cli/lines.h"
#include "format/pack_format.h"
#include "format/printable.h"
#include "platform/io.h"
#include "read/io_source.h"
#include "unpack/extract_pool.h"
#include "unpack/extraction.h"
#include "unpack/select.h"

namespace blobsmith {

namespace {

// The open directories of the current member's levels, kept for the next
// member: members come sorted, so the next one usually shares most of them.
// An open directory keeps naming the directory it opened even if its path
// is changed meanwhile, so what was checked once stays true.
struct LevelChain {
  int depth;  // levels open below out_dir
  OutDir* dirs[MAX_LEVELS];
  char names[MAX_LEVELS][PACK_NAME_FIELD_SIZE];
};

void close_levels_from(LevelChain* chain, const int depth) {
  while (chain->depth > depth) out_dir_close(chain->dirs[--chain->depth]);
}

// The open directory of the member's last level, reusing the levels the
// previous member left open. Returns nullptr after adding a line.
OutDir* enter_levels(Extraction* x, LevelChain* chain, const MemberPath& path, const char* name,
                     const int32_t index, std::string* lines) {
  int shared = 0;
  while (shared < chain->depth && shared < path.level_count &&
         std::strcmp(chain->names[shared], path.levels[shared]) == 0) {
    ++shared;
  }
  close_levels_from(chain, shared);
  for (int k = shared; k < path.level_count; ++k) {
    OutDir* parent = k == 0 ? x->root : chain->dirs[k - 1];
    OutDir* level = open_member_level(x, parent, path, k, name, index, lines);
    if (level == nullptr) return nullptr;
    std::memcpy(chain->names[k], path.levels[k], PACK_NAME_FIELD_SIZE);
    chain->dirs[k] = level;
    chain->depth = k + 1;
  }
  return path.level_count == 0 ? x->root : chain->dirs[path.level_count - 1];
}

// Extracts the chosen members one after another, in table order, printing
// each member's lines once it is done. Returns false when any failed.
bool extract_in_order(Extraction* x, const int32_t count, const std::vector<bool>& chosen) {
  bool whole = true;
  LevelChain chain;
  chain.depth = 0;
  MemberPath path;
  for (int32_t i = 0; i < count; ++i) {
    if (!chosen[static_cast<size_t>(i)]) continue;
    PackEntry entry;
    const bool terminated = decode_table_entry(x->table, i, &entry) == 0;
    std::string lines;
    bool done = check_member(x, entry, terminated, i, &path, &lines);
    if (done) {
      OutDir* dir = enter_levels(x, &chain, path, entry.name, i, &lines);
      done = dir != nullptr && write_member_file(x, dir, path, entry, i, &lines);
    }
    print_lines(&lines);
    if (!done) whole = false;
  }
  close_levels_from(&chain, 0);
  return whole;
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
                               const MemberChoice* only, const int jobs) {
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
  int32_t chosen_count = 0;
  int64_t chosen_bytes = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (!chosen[static_cast<size_t>(i)]) continue;
    PackEntry entry;
    decode_table_entry(table, i, &entry);
    ++chosen_count;
    chosen_bytes += entry.byte_size > 0 ? entry.byte_size : 0;
  }
  int threads = jobs;
  if (jobs == 0) {
    threads =
        worth_threads(chosen_count, chosen_bytes) ? default_jobs(UNPACK_JOBS_PER_PROCESSOR) : 1;
  }
  if (threads > chosen_count) threads = chosen_count > 0 ? chosen_count : 1;
  x->positional_reads = threads > 1;
  x->keys_at_check = threads > 1;
  const bool all_made = threads > 1 ? extract_in_parallel(x, count, chosen, threads)
                                    : extract_in_order(x, count, chosen);
  if (!all_made) status = EXTRACTED_REPORTED;
  std::free(table);
  if (x->root != nullptr) out_dir_close(x->root);
  return x->root_failed ? NOTHING_EXTRACTED : status;
}

}  // namespace

ExtractOutcome extract_pack(const char* pack_path, const char* out_dir, const MemberChoice* only,
                            const int jobs) {
  if (out_dir[0] == '\0') {
    // Paths would start at the root of the file system.
    std::printf("empty output directory name, nothing extracted !!!\n");
    return NOTHING_EXTRACTED;
  }
  Extraction x;
  x.pack_path = pack_path;
  x.out_dir = out_dir;
  x.pack = io_open(pack_path);
  x.root = nullptr;
  x.root_failed = false;
  x.table = nullptr;
  x.positional_reads = false;
  x.keys_at_check = false;
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
    status = extract_members(&x, head.header.entry_count, head.reserved_whole, only, jobs);
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
    PackEntry entry;
    decode_table_entry(table.data(), index, &entry);
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
