// UTF-8 sequences, checked byte by byte.
#include "format/utf8.h"

namespace blobsmith {

namespace {

bool is_continuation(const unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

size_t utf8_sequence_length(const unsigned char* bytes, const size_t available) {
  if (available == 0 || bytes[0] == 0) return 0;
  const unsigned char lead = bytes[0];
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint32_t lowest = 0;  // the smallest code point this length may hold
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, lowest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, lowest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, lowest = 0x10000;
  } else {
    return 0;  // a continuation byte, C0, C1 or F5 to FF
  }
  if (available < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if (!is_continuation(bytes[i])) return 0;
  }
  const uint32_t point = utf8_code_point(bytes, length);
  if (point < lowest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return 0;
  return length;
}

uint32_t utf8_code_point(const unsigned char* bytes, const size_t length) {
  static constexpr unsigned char kLeadBits[5] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  uint32_t point = bytes[0] & kLeadBits[length];
  for (size_t i = 1; i < length; ++i) point = point << 6 | (bytes[i] & 0x3Fu);
  return point;
}

bool is_valid_utf8(const char* text) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  size_t left = 0;
  while (p[left] != 0) ++left;
  while (left > 0) {
    const size_t length = utf8_sequence_length(p, left);
    if (length == 0) return false;
    p += length;
    left -= length;
  }
  return true;
}

}  // namespace blobsmith
