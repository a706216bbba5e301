// Fuzz target: the header and entry decoders, the block rule and the name
// rules on arbitrary bytes. The input's first 512 bytes (zero-padded) are a
// header image and every following 64 bytes an entry image. Aborts when a
// decoded name is not terminated inside its field, when decoding says
// otherwise than the image, when a decoded record does not encode back to
// the fields it came from, or when the block rule does not add up.
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <cstring>

#include "format/member_name.h"
#include "format/pack_format.h"
#include "fuzz_check.h"

namespace {

void check_header(const uint8_t* data, const size_t size) {
  unsigned char image[PACK_HEADER_SIZE] = {};
  std::memcpy(image, data, std::min<size_t>(size, PACK_HEADER_SIZE));
  PackHeader header;
  decode_header(image, &header);
  FUZZ_CHECK(header.entry_count == static_cast<int32_t>(get_u32_le(image + HEADER_ENTRY_COUNT_AT)));
  FUZZ_CHECK(header.checksum_mode == get_u32_le(image + HEADER_CHECKSUM_MODE_AT));
  FUZZ_CHECK(header.tail_signature == get_u32_le(image + HEADER_TAIL_SIGNATURE_AT));
  FUZZ_CHECK(std::memcmp(header.magic, image, 4) == 0);
  unsigned char again[PACK_HEADER_SIZE];
  encode_header(header, again);
  // Every field comes back; the reserved bytes and the machine field's
  // last byte are written as zero.
  for (const int at : {HEADER_MAGIC_AT, HEADER_FIXED_WORD_1_AT, HEADER_FIXED_WORD_2_AT,
                       HEADER_ENTRY_COUNT_AT, HEADER_CHECKSUM_MODE_AT, HEADER_TAIL_SIGNATURE_AT}) {
    FUZZ_CHECK(std::memcmp(again + at, image + at, 4) == 0);
  }
  FUZZ_CHECK(std::memcmp(again + HEADER_DATE_STAMP_AT, image + HEADER_DATE_STAMP_AT,
                         HEADER_DATE_STAMP_SIZE + HEADER_TIME_STAMP_SIZE) == 0);
  FUZZ_CHECK(std::memcmp(again + HEADER_MACHINE_AT, image + HEADER_MACHINE_AT,
                         HEADER_MACHINE_SIZE - 1) == 0);
  FUZZ_CHECK(again[HEADER_MACHINE_AT + HEADER_MACHINE_SIZE - 1] == 0);
}

void check_block_rule(const int32_t byte_size) {
  const BlockSplit split = split_blocks(byte_size);
  if (byte_size <= 0) {
    FUZZ_CHECK(split.whole_blocks == 0 && split.tail_bytes == 0);
    FUZZ_CHECK(blocks_for_size(byte_size) == 0);
    return;
  }
  FUZZ_CHECK(split.tail_bytes >= 1 && split.tail_bytes <= PACK_BLOCK_SIZE);
  FUZZ_CHECK(int64_t{split.whole_blocks} * PACK_BLOCK_SIZE + split.tail_bytes == byte_size);
  FUZZ_CHECK(int64_t{blocks_for_size(byte_size)} * PACK_BLOCK_SIZE >= byte_size);
  FUZZ_CHECK(int64_t{blocks_for_size(byte_size) - 1} * PACK_BLOCK_SIZE < byte_size);
}

void check_entry(const unsigned char (&image)[PACK_ENTRY_SIZE]) {
  PackEntry entry;
  const int result = decode_entry(image, &entry);
  const bool terminated = std::memchr(image, 0, PACK_NAME_FIELD_SIZE) != nullptr;
  FUZZ_CHECK((result == 0) == terminated);
  FUZZ_CHECK(std::memchr(entry.name, 0, PACK_NAME_FIELD_SIZE) != nullptr);
  const size_t length = std::strlen(entry.name);
  FUZZ_CHECK(std::memcmp(entry.name, image, length) == 0);
  FUZZ_CHECK(entry.start_block == get_u32_le(image + ENTRY_START_BLOCK_AT));
  FUZZ_CHECK(entry.byte_size == static_cast<int32_t>(get_u32_le(image + ENTRY_BYTE_SIZE_AT)));
  unsigned char again[PACK_ENTRY_SIZE];
  encode_entry(entry, again);
  PackEntry twice;
  FUZZ_CHECK(decode_entry(again, &twice) == 0);
  FUZZ_CHECK(std::strcmp(twice.name, entry.name) == 0);
  FUZZ_CHECK(twice.start_block == entry.start_block && twice.byte_size == entry.byte_size);
  for (size_t i = length; i < PACK_NAME_FIELD_SIZE; ++i) FUZZ_CHECK(again[i] == 0);
  check_block_rule(entry.byte_size);

  // A name judged safe neither climbs nor starts at a root or a drive.
  if (member_name_is_safe(entry.name)) {
    FUZZ_CHECK(!is_name_separator(entry.name[0]));
    FUZZ_CHECK(!(entry.name[0] != '\0' && entry.name[1] == ':' &&
                 ((entry.name[0] | 0x20) >= 'a' && (entry.name[0] | 0x20) <= 'z')));
    const char* level = entry.name;
    for (const char* p = entry.name;; ++p) {
      if (*p == '\0' || is_name_separator(*p)) {
        FUZZ_CHECK(!(p - level == 2 && level[0] == '.' && level[1] == '.'));
        if (*p == '\0') break;
        level = p + 1;
      }
    }
  }
  // The order of names is a total order with no self-difference.
  FUZZ_CHECK(compare_name_order(entry.name, entry.name, true) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, const size_t size) {
  check_header(data, size);
  const uint8_t* entries = data + std::min<size_t>(size, PACK_HEADER_SIZE);
  const size_t left = size - std::min<size_t>(size, PACK_HEADER_SIZE);
  unsigned char previous[PACK_ENTRY_SIZE] = {};
  for (size_t at = 0; at < left; at += PACK_ENTRY_SIZE) {
    unsigned char image[PACK_ENTRY_SIZE] = {};
    std::memcpy(image, entries + at, std::min<size_t>(PACK_ENTRY_SIZE, left - at));
    check_entry(image);
    PackEntry a;
    PackEntry b;
    decode_entry(image, &a);
    decode_entry(previous, &b);
    for (const bool fold : {false, true}) {
      const int ab = compare_name_order(a.name, b.name, fold);
      const int ba = compare_name_order(b.name, a.name, fold);
      FUZZ_CHECK((ab < 0) == (ba > 0) && (ab == 0) == (ba == 0));
    }
    std::memcpy(previous, image, sizeof previous);
  }
  return 0;
}
