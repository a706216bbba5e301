// Byte images of the pack header and entries, and the block rule.
#include "format/pack_format.h"

#include <cstring>

namespace blobsmith {

int32_t blocks_for_size(const int32_t byte_size) {
  if (byte_size <= 0) return 0;
  return static_cast<int32_t>((int64_t{byte_size} + PACK_BLOCK_SIZE - 1) / PACK_BLOCK_SIZE);
}

PackHeader make_header() {
  PackHeader header;
  std::memset(&header, 0, sizeof header);
  std::memcpy(header.magic, PACK_MAGIC, sizeof header.magic);
  header.fixed_word_1 = PACK_FIXED_WORD_1;
  header.fixed_word_2 = PACK_FIXED_WORD_2;
  header.checksum_mode = PACK_CHECKSUM_MODE_ON;
  header.tail_signature = PACK_TAIL_SIGNATURE;
  return header;
}

void encode_header(const PackHeader& header, unsigned char (&image)[PACK_HEADER_SIZE]) {
  std::memset(image, 0, sizeof image);
  std::memcpy(image + HEADER_MAGIC_AT, header.magic, sizeof header.magic);
  put_u32_le(image + HEADER_FIXED_WORD_1_AT, header.fixed_word_1);
  put_u32_le(image + HEADER_FIXED_WORD_2_AT, header.fixed_word_2);
  std::memcpy(image + HEADER_DATE_STAMP_AT, header.date_stamp, HEADER_DATE_STAMP_SIZE);
  std::memcpy(image + HEADER_TIME_STAMP_AT, header.time_stamp, HEADER_TIME_STAMP_SIZE);
  put_u32_le(image + HEADER_ENTRY_COUNT_AT, static_cast<uint32_t>(header.entry_count));
  put_u32_le(image + HEADER_CHECKSUM_MODE_AT, header.checksum_mode);
  // The flag holds at most 7 characters: the field's last byte stays zero.
  std::memcpy(image + HEADER_MACHINE_AT, header.machine, HEADER_MACHINE_SIZE - 1);
  put_u32_le(image + HEADER_TAIL_SIGNATURE_AT, header.tail_signature);
}

void decode_header(const unsigned char (&image)[PACK_HEADER_SIZE], PackHeader* header) {
  std::memcpy(header->magic, image + HEADER_MAGIC_AT, sizeof header->magic);
  header->fixed_word_1 = get_u32_le(image + HEADER_FIXED_WORD_1_AT);
  header->fixed_word_2 = get_u32_le(image + HEADER_FIXED_WORD_2_AT);
  std::memcpy(header->date_stamp, image + HEADER_DATE_STAMP_AT, HEADER_DATE_STAMP_SIZE);
  std::memcpy(header->time_stamp, image + HEADER_TIME_STAMP_AT, HEADER_TIME_STAMP_SIZE);
  header->entry_count = static_cast<int32_t>(get_u32_le(image + HEADER_ENTRY_COUNT_AT));
  header->checksum_mode = get_u32_le(image + HEADER_CHECKSUM_MODE_AT);
  std::memcpy(header->machine, image + HEADER_MACHINE_AT, HEADER_MACHINE_SIZE);
  header->tail_signature = get_u32_le(image + HEADER_TAIL_SIGNATURE_AT);
}

void encode_entry(const PackEntry& entry, unsigned char (&image)[PACK_ENTRY_SIZE]) {
  std::memset(image, 0, sizeof image);
  // strnlen keeps the copy inside the field even for an unterminated name;
  // byte 55 always stays zero.
  const size_t length = strnlen(entry.name, PACK_NAME_MAX_LENGTH);
  std::memcpy(image + ENTRY_NAME_AT, entry.name, length);
  put_u32_le(image + ENTRY_START_BLOCK_AT, entry.start_block);
  put_u32_le(image + ENTRY_BYTE_SIZE_AT, static_cast<uint32_t>(entry.byte_size));
}

int decode_entry(const unsigned char (&image)[PACK_ENTRY_SIZE], PackEntry* entry) {
  std::memcpy(entry->name, image + ENTRY_NAME_AT, PACK_NAME_FIELD_SIZE);
  const bool terminated = std::memchr(image + ENTRY_NAME_AT, 0, PACK_NAME_FIELD_SIZE) != nullptr;
  entry->name[PACK_NAME_MAX_LENGTH] = '\0';
  entry->start_block = get_u32_le(image + ENTRY_START_BLOCK_AT);
  entry->byte_size = static_cast<int32_t>(get_u32_le(image + ENTRY_BYTE_SIZE_AT));
  return terminated ? 0 : -1;
}

void encode_table_entry(const PackEntry& entry, unsigned char* table, const int32_t index) {
  unsigned char image[PACK_ENTRY_SIZE];
  encode_entry(entry, image);
  std::memcpy(table + static_cast<size_t>(index) * PACK_ENTRY_SIZE, image, PACK_ENTRY_SIZE);
}

int decode_table_entry(const unsigned char* table, const int32_t index, PackEntry* entry) {
  unsigned char image[PACK_ENTRY_SIZE];
  std::memcpy(image, table + static_cast<size_t>(index) * PACK_ENTRY_SIZE, PACK_ENTRY_SIZE);
  return decode_entry(image, entry);
}

}  // namespace blobsmith
