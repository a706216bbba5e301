// The pack writer.
#include "pack/writer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "format/printable.h"
#include "pack/checksum_pass.h"
#include "pack/stamp.h"
#include "read/block_copy.h"

namespace blobsmith {

char g_machine_flag[MACHINE_FLAG_SIZE] = "q5";

namespace {

constexpr size_t TABLE_SIZE = size_t{PACK_MAX_ENTRIES} * PACK_ENTRY_SIZE;

// Outcomes of packing one member.
enum MemberOutcome { MEMBER_PACKED, MEMBER_REPORTED, MEMBER_FATAL };

// Writes what precedes the data: header, reserved blocks, zeroed table.
bool write_layout(IoFile* out, const int count, const LocalTime& stamp,
                  const unsigned char* zero_table) {
  PackHeader header = make_header();
  stamp_header(stamp, &header);
  header.entry_count = count;
  std::memcpy(header.machine, g_machine_flag, HEADER_MACHINE_SIZE - 1);
  unsigned char header_image[PACK_HEADER_SIZE];
  encode_header(header, header_image);
  return io_write(header_image, sizeof header_image, 1, out) == 1 &&
         io_write(zero_table, PACK_BLOCK_SIZE, PACK_RESERVED_BLOCKS, out) == PACK_RESERVED_BLOCKS &&
         io_write(zero_table, PACK_ENTRY_SIZE, PACK_MAX_ENTRIES, out) == PACK_MAX_ENTRIES;
}

// A source that is the pack being written, or the file it will replace.
MemberOutcome check_not_output(const FileStatus& source, const PackOutput& output,
                               const char* relative) {
  const bool is_temp = same_identity(source.identity, output.temp_identity);
  const bool is_final = output.existed && same_identity(source.identity, output.existing.identity);
  if (!is_temp && !is_final) return MEMBER_PACKED;
  if (is_final && !output.existing_is_pack) {
    // Renaming the pack over it would lose this source.
    std::printf("%s is one of the files to pack, nothing written !!!\n",
                printable(output.name).c_str());
    return MEMBER_FATAL;
  }
  std::printf("%s is the pack being written, skipped !!!\n", printable(relative).c_str());
  return MEMBER_REPORTED;
}

// Packs the file of one slot into entry, folding the bytes it writes into
// data_fold. The slot is rewritten with "\\".
MemberOutcome pack_member(const PackOutput& output, char* slot, const PathKind kind,
                          const int prefix_len, PackEntry* entry, uint32_t* data_fold) {
  char open_path[PATH_BUFFER_SIZE];
  std::memcpy(open_path, slot, PATH_BUFFER_SIZE);
  open_path[PATH_MAX_LENGTH] = '\0';
  // Where "\\" separates levels too, the source is opened with "/" only.
  if (is_platform_separator('\\')) {
    for (char* p = open_path; *p != '\0'; ++p) {
      if (*p == '\\') *p = '/';
    }
  }
  for (char* p = slot; *p != '\0'; ++p) {
    if (*p == '/') *p = '\\';
  }
  const char* relative = slot + prefix_len;

  // The walk saw what stands there: a FIFO, socket, device or a link that
  // leads nowhere is not opened at all (opening a FIFO would release a
  // writer waiting on it). The open still refuses anything that is not a
  // regular file by then.
  IoFile* source = kind == PATH_REGULAR ? io_open(open_path) : nullptr;
  FileStatus status;
  if (source == nullptr || io_status(source, &status) != 0) {
    std::printf("%s open failed !!!\n", printable(relative).c_str());
    if (source != nullptr) io_close(source);
    return MEMBER_REPORTED;
  }
  MemberOutcome outcome = check_not_output(status, output, relative);
  const int64_t position = io_tell(output.file);
  // Sizes and offsets are 32-bit signed words in the format: a member of
  // 2 GiB or more, or one that would take the pack there, cannot be stored.
  const int64_t blocks = (status.size + PACK_BLOCK_SIZE - 1) / PACK_BLOCK_SIZE;
  if (outcome == MEMBER_PACKED &&
      (position < 0 || status.size > PACK_MAX_FILE_SIZE ||
       position + blocks * PACK_BLOCK_SIZE + PACK_CHECKSUM_SIZE > PACK_MAX_FILE_SIZE)) {
    std::printf("%s is too large for a pack file, skipped !!!\n", printable(relative).c_str());
    outcome = MEMBER_REPORTED;
  }
  if (outcome != MEMBER_PACKED) {
    io_close(source);
    return outcome;
  }
  std::strncpy(entry->name, relative, PACK_NAME_FIELD_SIZE);
  entry->name[PACK_NAME_MAX_LENGTH] = '\0';
  entry->start_block = static_cast<uint32_t>(position / PACK_BLOCK_SIZE);
  entry->byte_size = static_cast<int32_t>(status.size);
  const CopyOutcome copy =
      copy_blocks(source, output.file, entry->byte_size, BLOCKS_PADDED, data_fold);
  io_close(source);
  if (copy.write_failed) {
    std::printf("%s write failed !!!\n", printable(open_path).c_str());
    return MEMBER_FATAL;
  }
  if (copy.read_short) {
    // The member keeps its size and its blocks; what could not be read is
    // zeros.
    std::printf("%s read failed !!!\n", printable(entry->name).c_str());
    return MEMBER_REPORTED;
  }
  return MEMBER_PACKED;
}

}  // namespace

WriteOutcome write_pack(const PackOutput& output, const int prefix_len, NameTable* table,
                        const int count, const LocalTime& stamp) {
  unsigned char* images = static_cast<unsigned char*>(std::calloc(1, TABLE_SIZE));
  if (images == nullptr) {
    std::printf("%s write failed !!!\n", printable(output.name).c_str());
    return PACK_NOT_WHOLE;
  }
  WriteOutcome status = PACK_WHOLE;
  uint32_t data_fold = 0;
  if (!write_layout(output.file, count, stamp, images)) {
    std::printf("%s write failed !!!\n", printable(output.name).c_str());
    status = PACK_NOT_WHOLE;
  }
  for (int i = 0; i < count && status != PACK_NOT_WHOLE; ++i) {
    PackEntry entry;
    std::memset(&entry, 0, sizeof entry);
    const MemberOutcome outcome =
        pack_member(output, table->slots[i], static_cast<PathKind>(table->kinds[i]), prefix_len,
                    &entry, &data_fold);
    if (outcome == MEMBER_FATAL) status = PACK_NOT_WHOLE;
    if (outcome == MEMBER_REPORTED) status = PACK_WHOLE_REPORTED;
    unsigned char image[PACK_ENTRY_SIZE];
    encode_entry(entry, image);
    std::memcpy(images + static_cast<size_t>(i) * PACK_ENTRY_SIZE, image, PACK_ENTRY_SIZE);
  }
  if (status != PACK_NOT_WHOLE && (io_seek(output.file, PACK_TABLE_OFFSET, SEEK_SET) != 0 ||
                                   io_write(images, PACK_ENTRY_SIZE, static_cast<size_t>(count),
                                            output.file) != static_cast<size_t>(count))) {
    std::printf("%s write failed !!!\n", printable(output.name).c_str());
    status = PACK_NOT_WHOLE;
  }
  std::free(images);
  if (status != PACK_NOT_WHOLE && append_checksum(output.file, data_fold) != CHECKSUM_OK) {
    status = PACK_NOT_WHOLE;
  }
  return status;
}

}  // namespace blobsmith
