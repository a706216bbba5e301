// The pack writer.
#include "pack/writer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pack/checksum_pass.h"
#include "platform/io.h"
#include "platform/local_time.h"

char g_machine_flag[MACHINE_FLAG_SIZE] = "q5";

namespace {

// Fills the date and time stamps from the local clock; a clock that cannot
// be read leaves them as zero digits.
void stamp_header(PackHeader* header) {
  LocalTime now{0, 0, 0, 0, 0};
  local_time_now(&now);
  char digits[32];
  std::snprintf(digits, sizeof digits, "%04d%02d%02d%02d%02d", now.year, now.month, now.day,
                now.hour, now.minute);
  std::memcpy(header->date_stamp, digits, HEADER_DATE_STAMP_SIZE);
  std::memcpy(header->time_stamp, digits + HEADER_DATE_STAMP_SIZE, HEADER_TIME_STAMP_SIZE);
}

// Writes what precedes the data: header, reserved blocks, zeroed table.
int write_layout(IoFile* out, const char* out_path, const int count) {
  int status = 0;
  PackHeader header = make_header();
  stamp_header(&header);
  header.entry_count = count;
  std::memcpy(header.machine, g_machine_flag, HEADER_MACHINE_SIZE - 1);
  unsigned char header_image[PACK_HEADER_SIZE];
  encode_header(header, header_image);
  if (io_write(header_image, sizeof header_image, 1, out) != 1) {
    std::printf("%s write failed !!!\n", out_path);
    status = -1;
  }
  const unsigned char zeros[PACK_BLOCK_SIZE] = {};
  for (int block = 0; block < PACK_RESERVED_BLOCKS; ++block) {
    if (io_write(zeros, PACK_BLOCK_SIZE, 1, out) != 1) {
      std::printf("%s write failed !!!\n", out_path);
      status = -1;
    }
  }
  for (int slot = 0; slot < PACK_MAX_ENTRIES; ++slot) {
    if (io_write(zeros, PACK_ENTRY_SIZE, 1, out) != 1) {
      std::printf("%s write failed !!!\n", out_path);
      status = -1;
    }
  }
  return status;
}

// Copies length bytes of source into whole blocks, the tail zero-filled.
int copy_source(IoFile* source, IoFile* out, const PackEntry& entry, const char* open_path) {
  int status = 0;
  unsigned char block[PACK_BLOCK_SIZE];
  const BlockSplit split = split_blocks(entry.byte_size);
  const int32_t pieces = blocks_for_size(entry.byte_size);
  for (int32_t piece = 0; piece < pieces; ++piece) {
    const size_t wanted = piece_size(split, piece);
    // Cleared before every read: a short read never carries bytes of an
    // earlier block or member into this one.
    std::memset(block, 0, sizeof block);
    if (io_read(block, 1, wanted, source) != wanted) {
      std::printf("%s read failed !!!\n", entry.name);
      status = -1;
    }
    if (io_write(block, PACK_BLOCK_SIZE, 1, out) != 1) {
      std::printf("%s write failed !!!\n", open_path);
      status = -1;
    }
  }
  return status;
}

// Packs the file of one slot into entry. Returns 0, or -1 after a failure.
int pack_member(IoFile* out, char* slot, const int prefix_len, PackEntry* entry) {
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

  IoFile* source = io_open(open_path, "rb");
  if (source == nullptr) {
    std::printf("%s open failed !!!\n", relative);
    return -1;
  }
  // A length that cannot be taken (failed seek or position query) is
  // refused like one too large: it would store the member empty.
  const int64_t length = io_seek(source, 0, SEEK_END) == 0 ? io_tell(source) : -1;
  const int64_t position = io_tell(out);
  // Sizes and offsets are 32-bit signed words in the format: a member of
  // 2 GiB or more, or one that would take the pack there, cannot be stored.
  const int64_t blocks = (length + PACK_BLOCK_SIZE - 1) / PACK_BLOCK_SIZE;
  if (length < 0 || position < 0 || length > PACK_MAX_FILE_SIZE ||
      position + blocks * PACK_BLOCK_SIZE + PACK_CHECKSUM_SIZE > PACK_MAX_FILE_SIZE) {
    std::printf("%s is too large for a pack file, skipped !!!\n", relative);
    io_close(source);
    return -1;
  }
  std::strncpy(entry->name, relative, PACK_NAME_FIELD_SIZE);
  entry->name[PACK_NAME_MAX_LENGTH] = '\0';
  entry->start_block = static_cast<uint32_t>(position / PACK_BLOCK_SIZE);
  entry->byte_size = static_cast<int32_t>(length);
  io_seek(source, 0, SEEK_SET);
  const int status = copy_source(source, out, *entry, open_path);
  io_close(source);
  return status;
}

}  // namespace

int write_pack(const char* out_path, const int prefix_len, NameTable* table, const int count) {
  PackEntry* entries = static_cast<PackEntry*>(std::calloc(PACK_MAX_ENTRIES, sizeof(PackEntry)));
  if (entries == nullptr) return -1;
  IoFile* out = io_open(out_path, "wb");
  if (out == nullptr) {
    std::printf("%s open failed !!!\n", out_path);
    std::free(entries);
    return -1;
  }
  int status = write_layout(out, out_path, count);
  for (int i = 0; i < count; ++i) {
    if (pack_member(out, table->slots[i], prefix_len, &entries[i]) != 0) status = -1;
  }

  // The used part of the table, written in one go.
  unsigned char* images = static_cast<unsigned char*>(std::calloc(static_cast<size_t>(count), PACK_ENTRY_SIZE));
  bool table_written = false;
  if (images != nullptr) {
    for (int i = 0; i < count; ++i) {
      unsigned char image[PACK_ENTRY_SIZE];
      encode_entry(entries[i], image);
      std::memcpy(images + static_cast<size_t>(i) * PACK_ENTRY_SIZE, image, PACK_ENTRY_SIZE);
    }
    table_written = io_seek(out, PACK_TABLE_OFFSET, SEEK_SET) == 0 &&
                    io_write(images, PACK_ENTRY_SIZE, static_cast<size_t>(count), out) ==
                        static_cast<size_t>(count);
    std::free(images);
  }
  // Buffered bytes reach the disk at close: a failure there is a write failure.
  if (io_close(out) != 0 || !table_written) {
    std::printf("%s write failed !!!\n", out_path);
    status = -1;
  }
  std::free(entries);
  return status + append_checksum(out_path);
}
