// Packing one member: open, place, copy.
#include "pack/pack_member.h"

#include <cstring>

#include "cli/lines.h"
#include "format/checksum.h"
#include "format/printable.h"
#include "read/block_copy.h"

namespace blobsmith {

namespace {

// A source that is the pack being written, or the file it will replace.
MemberOutcome check_not_output(const FileStatus& status, const PackOutput& output,
                               const char* relative, std::string* lines) {
  const bool is_temp = same_identity(status.identity, output.temp_identity);
  const bool is_final = output.existed && same_identity(status.identity, output.existing.identity);
  if (!is_temp && !is_final) return MEMBER_PACKED;
  if (is_final && !output.existing_is_pack) {
    // Renaming the pack over it would lose this source.
    add_line(lines, "%s is one of the files to pack, nothing written !!!\n",
             printable(output.name).c_str());
    return MEMBER_FATAL;
  }
  add_line(lines, "%s is the pack being written, skipped !!!\n", printable(relative).c_str());
  return MEMBER_REPORTED;
}

}  // namespace

MemberOutcome open_member(const PackOutput& output, char* slot, const PathKind kind,
                          const int prefix_len, MemberSource* source, std::string* lines) {
  std::memcpy(source->open_path, slot, PATH_BUFFER_SIZE);
  source->open_path[PATH_MAX_LENGTH] = '\0';
  // Where "\\" separates levels too, the source is opened with "/" only.
  if (is_platform_separator('\\')) {
    for (char* p = source->open_path; *p != '\0'; ++p) {
      if (*p == '\\') *p = '/';
    }
  }
  for (char* p = slot; *p != '\0'; ++p) {
    if (*p == '/') *p = '\\';
  }
  source->relative = slot + prefix_len;

  // The walk saw what stands there: a FIFO, socket, device or a link that
  // leads nowhere is not opened at all (opening a FIFO would release a
  // writer waiting on it). The open still refuses anything that is not a
  // regular file by then.
  source->file = kind == PATH_REGULAR ? io_open(source->open_path) : nullptr;
  if (source->file == nullptr || io_status(source->file, &source->status) != 0) {
    add_line(lines, "%s open failed !!!\n", printable(source->relative).c_str());
    if (source->file != nullptr) io_close(source->file);
    source->file = nullptr;
    return MEMBER_REPORTED;
  }
  const MemberOutcome outcome = check_not_output(source->status, output, source->relative, lines);
  if (outcome != MEMBER_PACKED) {
    io_close(source->file);
    source->file = nullptr;
  }
  return outcome;
}

MemberOutcome place_member(MemberSource* source, const int64_t position, PackEntry* entry,
                           std::string* lines) {
  // Sizes and offsets are 32-bit signed words in the format: a member of
  // 2 GiB or more, or one that would take the pack there, cannot be stored.
  const int64_t size = source->status.size;
  const int64_t blocks = (size + PACK_BLOCK_SIZE - 1) / PACK_BLOCK_SIZE;
  if (position < 0 || size > PACK_MAX_FILE_SIZE ||
      position + blocks * PACK_BLOCK_SIZE + PACK_CHECKSUM_SIZE > PACK_MAX_FILE_SIZE) {
    add_line(lines, "%s is too large for a pack file, skipped !!!\n",
             printable(source->relative).c_str());
    io_close(source->file);
    source->file = nullptr;
    return MEMBER_REPORTED;
  }
  std::strncpy(entry->name, source->relative, PACK_NAME_FIELD_SIZE);
  entry->name[PACK_NAME_MAX_LENGTH] = '\0';
  entry->start_block = static_cast<uint32_t>(position / PACK_BLOCK_SIZE);
  entry->byte_size = static_cast<int32_t>(size);
  return MEMBER_PACKED;
}

MemberOutcome copy_member(MemberSource* source, const PackOutput& output, const PackEntry& entry,
                          const int64_t position, uint32_t* fold, std::string* lines) {
  const CopyOutcome copy = copy_blocks(source->file, output.file, entry.byte_size, BLOCKS_PADDED,
                                       fold, CopyPlaces{-1, position});
  io_close(source->file);
  source->file = nullptr;
  if (copy.write_failed) {
    add_line(lines, "%s write failed !!!\n", printable(source->open_path).c_str());
    return MEMBER_FATAL;
  }
  if (copy.read_short) {
    // The member keeps its size and its blocks; what could not be read is
    // zeros.
    add_line(lines, "%s read failed !!!\n", printable(entry.name).c_str());
    return MEMBER_REPORTED;
  }
  return MEMBER_PACKED;
}

MemberOutcome read_member(MemberSource* source, const PackEntry& entry, unsigned char* blocks,
                          uint32_t* fold, std::string* lines) {
  const size_t size = entry.byte_size > 0 ? static_cast<size_t>(entry.byte_size) : 0;
  const size_t padded = static_cast<size_t>(blocks_for_size(entry.byte_size)) * PACK_BLOCK_SIZE;
  const size_t got = size > 0 ? io_read(blocks, 1, size, source->file) : 0;
  io_close(source->file);
  source->file = nullptr;
  std::memset(blocks + got, 0, padded - got);
  *fold = checksum_update(static_cast<uint32_t>(padded), blocks, *fold);
  if (got != size) {
    add_line(lines, "%s read failed !!!\n", printable(entry.name).c_str());
    return MEMBER_REPORTED;
  }
  return MEMBER_PACKED;
}

}  // namespace blobsmith
