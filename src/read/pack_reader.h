// Reading a pack file at run time: open it, read its header and entry table
// once, find members by name and read their bytes, whole or a range, each
// from its own blocks without touching the other members.
#ifndef BLOBSMITH_READ_PACK_READER_H_
#define BLOBSMITH_READ_PACK_READER_H_

#include <cstdint>

#include "format/pack_format.h"
#include "platform/io.h"

// Statuses of the reader. Every function that returns int32_t returns one of
// these on failure, and a value of 0 or more on success.
constexpr int32_t PACK_READ_OK = 0;
constexpr int32_t PACK_READ_OPEN_FAILED = -1;   // the file cannot be opened
constexpr int32_t PACK_READ_NO_MEMORY = -2;     // the entry arrays cannot be allocated
constexpr int32_t PACK_READ_SHORT_HEADER = -3;  // fewer than 512 bytes could be read
constexpr int32_t PACK_READ_NOT_A_PACK = -4;    // wrong magic or tail signature
constexpr int32_t PACK_READ_BAD_COUNT = -5;     // entry_count outside 1 to 2047
constexpr int32_t PACK_READ_SHORT_TABLE = -6;   // the table ends before entry_count entries
constexpr int32_t PACK_READ_NOT_FOUND = -7;     // no member of that name
constexpr int32_t PACK_READ_BAD_RANGE = -8;     // no such entry, or a range beyond its end
constexpr int32_t PACK_READ_BAD_MEMBER = -9;    // the entry's bytes lie outside the data area
constexpr int32_t PACK_READ_SHORT_DATA = -10;   // the file gave fewer bytes than it holds
constexpr int32_t PACK_READ_SMALL_BUFFER = -11; // the buffer cannot hold the whole member

// An open pack file with its header and table. Fill it with
// pack_reader_open and release it with pack_reader_close; the fields may be
// read but not changed.
struct PackReader {
  IoFile* file;
  int64_t file_size;  // every byte of the file, checksum word included
  PackHeader header;
  int32_t entry_count;  // header.entry_count, 1 to 2047
  PackEntry* entries;   // entry_count entries in table order
  // Indices of the entries that name a member, in the packer's order of
  // their names. Zeroed entries (sources that could not be read while
  // packing) and names not terminated inside their field are left out.
  int32_t* by_name;
  int32_t named_count;
  // The names of those entries in the same order, each folded as the order
  // compares them ('A' to 'Z' as 'a' to 'z', "\\" as "/") in its own
  // PACK_NAME_FIELD_SIZE bytes, so a lookup compares plain strings that lie
  // side by side.
  char* folded_names;
};

// Opens the pack file at path and reads its header and its entry_count
// entries. Returns PACK_READ_OK, or PACK_READ_OPEN_FAILED, _NO_MEMORY,
// _SHORT_HEADER, _NOT_A_PACK, _BAD_COUNT or _SHORT_TABLE; on failure nothing
// stays open or allocated and the record holds no file, but after
// _NOT_A_PACK or _BAD_COUNT its header holds what was read.
int32_t pack_reader_open(const char* path, PackReader* reader);

// Closes the file and releases the arrays; the record may be opened again.
// Closing a record that holds no file does nothing.
void pack_reader_close(PackReader* reader);

// The index of the member called name, in O(log n). Names are compared in
// the packer's order: ASCII letters without regard to case, and "\\" and
// "/" alike, so "img/logo.png" finds the stored "img\\logo.png". When
// several members match, one whose name is equal byte for byte (separators
// aside) wins, otherwise the first in table order.
// Returns the index (0 to entry_count - 1) or PACK_READ_NOT_FOUND.
// REQUIRES: name is a zero-terminated string.
int32_t pack_reader_find(const PackReader& reader, const char* name);

// The member's length in bytes: its byte_size, or 0 when that is negative
// (such a member reads as empty, as the extractor makes it).
// REQUIRES: 0 <= index < reader.entry_count.
int32_t pack_member_size(const PackReader& reader, int32_t index);

// Copies up to length bytes of member index, from offset bytes into it,
// into buffer. Returns the number of bytes copied, which is less than
// length only at the member's end (0 when offset equals its size); or
// PACK_READ_BAD_RANGE (no such index, or offset or length negative or
// offset beyond the member's end), PACK_READ_BAD_MEMBER (the bytes wanted
// lie outside the file's data area) or PACK_READ_SHORT_DATA (a read failed).
// Reading nothing never fails for a valid index.
// REQUIRES: buffer has room for length bytes.
int32_t pack_reader_read(PackReader* reader, int32_t index, int32_t offset, void* buffer,
                         int32_t length);

// Copies the whole of member index into buffer, which holds capacity
// bytes. Returns the member's size, PACK_READ_SMALL_BUFFER when capacity is
// smaller, or a status of pack_reader_read.
int32_t pack_reader_read_member(PackReader* reader, int32_t index, void* buffer,
                                int32_t capacity);

// The steps of opening, shared with the tools that inspect a damaged file.

// The length of file, measured at its end; the position is left at 0.
// Returns -1 when the position cannot be taken.
int64_t pack_file_length(IoFile* file);

// Reads the 512-byte header at the start of file into image and decodes it.
// Returns PACK_READ_OK or PACK_READ_SHORT_HEADER (the bytes not read are
// zero in image and header).
int32_t pack_read_header(IoFile* file, unsigned char (&image)[PACK_HEADER_SIZE],
                         PackHeader* header);

// Reads slot_count table slots (from offset 2048) as raw images into images,
// which holds slot_count * 64 bytes. Returns the number of whole slots read;
// the bytes after them are zero.
// REQUIRES: 0 <= slot_count <= PACK_MAX_ENTRIES.
int32_t pack_read_table_images(IoFile* file, int32_t slot_count, unsigned char* images);

// True for an entry whose every field is zero: a source that could not be
// read while packing. It names no member and takes no block.
bool pack_entry_is_zeroed(const PackEntry& entry);

// The file offset of an entry's first byte: start_block * 512 in 64 bits.
int64_t pack_entry_offset(const PackEntry& entry);

#endif  // BLOBSMITH_READ_PACK_READER_H_
