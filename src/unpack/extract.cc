// The extractor: reads the header and the entry table, then copies each
// member from its own blocks into a file under the output directory.
#include "unpack/extract.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "format/member_name.h"
#include "format/pack_format.h"
#include "platform/io.h"

namespace {

struct TableSlot {
  PackEntry entry;
  bool name_terminated;
};

// Directories this run has already found or made, so that members in the
// same directory do not look every level up again.
struct DirectoryMemo {
  bool out_dir_ready;               // every level of out_dir stands
  char verified[PATH_BUFFER_SIZE];  // a member's directory, all levels checked
  size_t verified_length;           // 0 when nothing is remembered
};

// True when the level of path ending at end is one the memo has checked.
bool level_verified(const char* path, const size_t end, const DirectoryMemo& memo) {
  if (end > memo.verified_length) return false;
  if (end < memo.verified_length && !is_platform_separator(memo.verified[end])) return false;
  return std::memcmp(path, memo.verified, end) == 0;
}

// Makes each level of out_dir that does not exist yet, left to right, until
// all of them stand. Levels of out_dir are the user's choice and may be
// symbolic links.
void make_out_dir_levels(char* path, const size_t out_dir_length, DirectoryMemo* memo) {
  if (memo->out_dir_ready) return;
  bool ready = true;
  for (size_t i = 1; i <= out_dir_length; ++i) {
    if (i < out_dir_length && !is_platform_separator(path[i])) continue;
    if (is_platform_separator(path[i - 1])) continue;  // doubled separator
    const char kept = path[i];
    path[i] = '\0';
    if (path_kind(path) == PATH_MISSING && make_directory(path) != 0) ready = false;
    path[i] = kept;
  }
  memo->out_dir_ready = ready;
}

// Makes the directory levels of the member's name below out_dir. A level
// that is a symbolic link, FIFO, socket or device would lead the member
// elsewhere: its path is reported and -1 returned. A level that is a file
// is left alone; opening the member then fails and says so. When every
// level stands as a directory, the memo remembers the member's directory.
int make_member_levels(char* path, const size_t out_dir_length, DirectoryMemo* memo) {
  bool all_directories = true;
  size_t last_level = 0;
  for (size_t i = out_dir_length + 1; path[i] != '\0'; ++i) {
    if (!is_platform_separator(path[i])) continue;
    last_level = i;
    if (level_verified(path, i, *memo)) continue;
    path[i] = '\0';
    const PathKind kind = path_kind(path);
    if (kind == PATH_MISSING) {
      if (make_directory(path) != 0) all_directories = false;
    } else if (kind == PATH_LINK || kind == PATH_OTHER) {
      std::printf("%s is a link or special file, skipped !!!\n", path);
      path[i] = platform_separator();
      return -1;
    } else if (kind != PATH_DIRECTORY) {
      all_directories = false;
    }
    path[i] = platform_separator();
  }
  if (all_directories && last_level > 0) {
    std::memcpy(memo->verified, path, last_level);
    memo->verified[last_level] = '\0';
    memo->verified_length = last_level;
  } else if (!all_directories) {
    memo->verified_length = 0;
  }
  return 0;
}

// Builds out_dir, a separator and the member's name into path, with each
// "\\" or "/" of the name made a directory level. Returns -1 when the
// result would not fit a path buffer.
int build_output_path(const char* out_dir, const char* name,
                      char (&path)[PATH_BUFFER_SIZE]) {
  const size_t dir_length = std::strlen(out_dir);
  const size_t name_length = std::strlen(name);
  if (dir_length + 1 + name_length > static_cast<size_t>(PATH_MAX_LENGTH)) return -1;
  std::memcpy(path, out_dir, dir_length);
  path[dir_length] = platform_separator();
  for (size_t i = 0; i < name_length; ++i) {
    path[dir_length + 1 + i] = is_name_separator(name[i]) ? platform_separator() : name[i];
  }
  path[dir_length + 1 + name_length] = '\0';
  return 0;
}

// Copies the member's bytes by the block rule. A short read means the pack
// holds no more for this member: that block is still written (the bytes
// read, then zeros) and copying stops, so a member never comes out more
// than one block longer than what the pack holds for it.
int copy_member(IoFile* pack, const bool positioned, const PackEntry& entry,
                IoFile* out, const char* out_path) {
  int status = 0;
  unsigned char block[PACK_BLOCK_SIZE];
  const BlockSplit split = split_blocks(entry.byte_size);
  const int32_t pieces = blocks_for_size(entry.byte_size);
  for (int32_t piece = 0; piece < pieces; ++piece) {
    const size_t wanted = piece_size(split, piece);
    std::memset(block, 0, sizeof block);
    const size_t got = positioned ? io_read(block, 1, wanted, pack) : 0;
    const bool short_read = got < wanted;
    if (short_read) {
      std::printf("%s read failed !!!\n", entry.name);
      status = -1;
    }
    if (io_write(block, 1, wanted, out) != wanted) {
      std::printf("%s write failed !!!\n", out_path);
      status = -1;
    }
    if (short_read) break;
  }
  return status;
}

// Writes one member. Returns 0, or -1 after any failure (already reported).
int extract_member(IoFile* pack, const TableSlot& slot, const char* out_dir,
                   const size_t out_dir_length, DirectoryMemo* memo) {
  const PackEntry& entry = slot.entry;
  if (!slot.name_terminated || !member_name_is_safe(entry.name)) {
    std::printf("%s unsafe name, skipped !!!\n", entry.name);
    return -1;
  }
  char out_path[PATH_BUFFER_SIZE];
  if (build_output_path(out_dir, entry.name, out_path) != 0) {
    std::printf("%s path name is too long, skipped !!!\n", entry.name);
    return -1;
  }
  // Offsets are 32-bit signed words: start_block * 512 wraps as the format
  // says, and a negative offset cannot be reached, so nothing is read.
  const int32_t offset =
      static_cast<int32_t>(entry.start_block * static_cast<uint32_t>(PACK_BLOCK_SIZE));
  const bool positioned = offset >= 0 && io_seek(pack, offset, SEEK_SET) == 0;

  make_out_dir_levels(out_path, out_dir_length, memo);
  if (entry.name[0] != '\0') {
    if (make_member_levels(out_path, out_dir_length, memo) != 0) return -1;
    const PathKind kind = path_kind(out_path);
    if (kind == PATH_LINK || kind == PATH_OTHER) {
      std::printf("%s is a link or special file, skipped !!!\n", out_path);
      return -1;
    }
  }
  IoFile* out = io_create_member(out_path);
  if (out == nullptr) {
    std::printf("%s open failed !!!\n", entry.name);
    return -1;
  }
  int status = copy_member(pack, positioned, entry, out, out_path);
  if (io_close(out) != 0) {
    std::printf("%s write failed !!!\n", out_path);
    status = -1;
  }
  return status;
}

}  // namespace

int extract_pack(const char* pack_path, const char* out_dir) {
  if (out_dir[0] == '\0') {
    // Paths would start at the root of the file system.
    std::printf("empty output directory name, nothing extracted !!!\n");
    return -1;
  }
  TableSlot* slots = static_cast<TableSlot*>(std::calloc(PACK_MAX_ENTRIES, sizeof(TableSlot)));
  if (slots == nullptr) return -1;
  IoFile* pack = io_open(pack_path, "rb");
  if (pack == nullptr) {
    std::printf("%s open failed !!!\n", pack_path);
    std::free(slots);
    return -1;
  }
  int status = 0;

  // A header that cannot be read counts as all zero: nothing is extracted.
  unsigned char header_image[PACK_HEADER_SIZE] = {};
  PackHeader header;
  if (io_read(header_image, 1, sizeof header_image, pack) != sizeof header_image) {
    std::printf("%s read header failed !!!\n", pack_path);
    std::memset(header_image, 0, sizeof header_image);
  }
  decode_header(header_image, &header);
  const int32_t count = header.entry_count;

  for (int block = 0; block < PACK_RESERVED_BLOCKS; ++block) {
    unsigned char reserved[PACK_BLOCK_SIZE];
    if (io_read(reserved, 1, sizeof reserved, pack) != sizeof reserved) {
      std::printf("%s read failed !!!\n", pack_path);
      status = -1;
    }
  }

  if (count >= 1 && count <= PACK_MAX_USABLE_ENTRIES) {
    for (int32_t i = 0; i < count; ++i) {
      // A short read leaves the bytes read followed by zeros.
      unsigned char image[PACK_ENTRY_SIZE] = {};
      if (io_read(image, 1, sizeof image, pack) != sizeof image) {
        std::printf("%s read failed !!!\n", pack_path);
        status = -1;
      }
      slots[i].name_terminated = decode_entry(image, &slots[i].entry) == 0;
    }
    const size_t out_dir_length = std::strlen(out_dir);
    DirectoryMemo memo{};
    for (int32_t i = 0; i < count; ++i) {
      if (extract_member(pack, slots[i], out_dir, out_dir_length, &memo) != 0) status = -1;
    }
  }

  io_close(pack);
  std::free(slots);
  return status;
}
