// The byte layout of a pack file: constants, the header and entry records,
// their exact little-endian images, and the rule that cuts a member into
// 512-byte blocks. Records reach the disk only as byte images built here;
// nothing in this file opens a file.
#ifndef BLOBSMITH_FORMAT_PACK_FORMAT_H_
#define BLOBSMITH_FORMAT_PACK_FORMAT_H_

#include <cstddef>
#include <cstdint>

namespace blobsmith {

constexpr int PACK_BLOCK_SIZE = 512;
constexpr int PACK_MAX_ENTRIES = 2048;
constexpr int PACK_ENTRY_SIZE = 64;
constexpr int PACK_NAME_FIELD_SIZE = 56;  // 55 characters and a zero byte
constexpr int PACK_NAME_MAX_LENGTH = PACK_NAME_FIELD_SIZE - 1;
constexpr int PACK_HEADER_SIZE = PACK_BLOCK_SIZE;
constexpr int PACK_RESERVED_BLOCKS = 3;
// The header and the three reserved blocks come before the table.
constexpr int PACK_TABLE_OFFSET = (1 + PACK_RESERVED_BLOCKS) * PACK_BLOCK_SIZE;
constexpr int PACK_DATA_OFFSET = PACK_TABLE_OFFSET + PACK_MAX_ENTRIES * PACK_ENTRY_SIZE;
constexpr int PACK_DATA_FIRST_BLOCK = PACK_DATA_OFFSET / PACK_BLOCK_SIZE;
constexpr int PACK_CHECKSUM_SIZE = 4;
// The extractor accepts 1 to 2047 entries, so the packer never writes more.
constexpr int PACK_MAX_USABLE_ENTRIES = PACK_MAX_ENTRIES - 1;
// Offsets are 32-bit signed words: a pack file stays below 2 GiB.
constexpr int64_t PACK_MAX_FILE_SIZE = int64_t{0x7FFFFFFF};

constexpr unsigned char PACK_MAGIC[4] = {'S', 'F', 'H', 'I'};  // no terminator on disk
constexpr uint32_t PACK_FIXED_WORD_1 = 0x07F00000;
constexpr uint32_t PACK_FIXED_WORD_2 = 4;
constexpr uint32_t PACK_CHECKSUM_MODE_ON = 2;
constexpr uint32_t PACK_TAIL_SIGNATURE = 0x55AA55AA;  // header bytes 508..511

// Every path the tool builds fits one of these buffers, terminator included.
constexpr int PATH_BUFFER_SIZE = 512;
constexpr int PATH_MAX_LENGTH = PATH_BUFFER_SIZE - 1;

static_assert(PACK_TABLE_OFFSET == 2048, "the table starts at block 4");
static_assert(PACK_DATA_OFFSET == 133120, "the table ends at block 260");

// Where each field starts inside the 512-byte header image.
constexpr int HEADER_MAGIC_AT = 0;
constexpr int HEADER_FIXED_WORD_1_AT = 4;
constexpr int HEADER_FIXED_WORD_2_AT = 8;
constexpr int HEADER_DATE_STAMP_AT = 16;
constexpr int HEADER_TIME_STAMP_AT = 24;
constexpr int HEADER_ENTRY_COUNT_AT = 28;
constexpr int HEADER_CHECKSUM_MODE_AT = 32;
constexpr int HEADER_MACHINE_AT = 48;
constexpr int HEADER_TAIL_SIGNATURE_AT = 508;
constexpr int HEADER_DATE_STAMP_SIZE = 8;
constexpr int HEADER_TIME_STAMP_SIZE = 4;
constexpr int HEADER_MACHINE_SIZE = 8;

// Where each field starts inside the 64-byte entry image.
constexpr int ENTRY_NAME_AT = 0;
constexpr int ENTRY_START_BLOCK_AT = 56;
constexpr int ENTRY_BYTE_SIZE_AT = 60;

// The in-memory header. Its sizeof is not the disk size: never write it
// directly, always through encode_header.
struct PackHeader {
  unsigned char magic[4];
  uint32_t fixed_word_1;
  uint32_t fixed_word_2;
  char date_stamp[HEADER_DATE_STAMP_SIZE];  // "YYYYMMDD", no terminator
  char time_stamp[HEADER_TIME_STAMP_SIZE];  // "HHMM", no terminator
  int32_t entry_count;
  uint32_t checksum_mode;
  char machine[HEADER_MACHINE_SIZE];  // up to 7 characters, zero padded
  uint32_t tail_signature;
};

// The in-memory entry. A zeroed entry (empty name) marks a source that
// could not be read while packing.
struct PackEntry {
  char name[PACK_NAME_FIELD_SIZE];  // relative path, "\\" between levels
  uint32_t start_block;             // file offset / PACK_BLOCK_SIZE
  int32_t byte_size;                // exact length; 0 or negative: no data
};

// Stores v at p[0..3], least-significant byte first.
inline void put_u32_le(unsigned char* p, const uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

// Reads the little-endian word at p[0..3].
inline uint32_t get_u32_le(const unsigned char* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// The block rule shared by the writer, the extractor and the reader: the
// number of 512-byte blocks a member of byte_size occupies in the data area,
// the last one zero-filled past the member's end; none for a size of 0 or
// below.
int32_t blocks_for_size(int32_t byte_size);

// A header with every fixed field set (magic, fixed words, checksum mode,
// tail signature), zero entries, empty stamps and machine.
PackHeader make_header();

// Writes all 512 bytes of image; every reserved byte is zero.
void encode_header(const PackHeader& header, unsigned char (&image)[PACK_HEADER_SIZE]);

// Reads the fields of a 512-byte image; never fails and never reads past it.
void decode_header(const unsigned char (&image)[PACK_HEADER_SIZE], PackHeader* header);

// Writes all 64 bytes of image; bytes after the name's terminator are zero.
void encode_entry(const PackEntry& entry, unsigned char (&image)[PACK_ENTRY_SIZE]);

// Reads one 64-byte image and never reads past it. The decoded name always
// ends with a zero inside its field.
// Returns 0 when the stored name was terminated inside its 56 bytes, and -1
// when it was not (the name is then cut to its first 55 bytes).
int decode_entry(const unsigned char (&image)[PACK_ENTRY_SIZE], PackEntry* entry);

// The same for entry index of table, a run of images PACK_ENTRY_SIZE bytes
// each (an entry table as read or as it will be written).
void encode_table_entry(const PackEntry& entry, unsigned char* table, int32_t index);
int decode_table_entry(const unsigned char* table, int32_t index, PackEntry* entry);

}  // namespace blobsmith

#endif  // BLOBSMITH_FORMAT_PACK_FORMAT_H_
