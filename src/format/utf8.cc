// UTF-8 sequences and the controls among them.
#include "format/utf8.h"

namespace blobsmith {

int utf8_sequence(const char* text, const size_t available, uint32_t* code_point) {
  if (available == 0) return 0;
  const unsigned lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) {
    *code_point = lead;
    return 1;
  }
  // The lead byte gives the length and the range of the second byte, which
  // rules out overlong forms, surrogates and code points above U+10FFFF.
  size_t length = 0;
  uint32_t value = 0;
  unsigned low = 0x80;
  unsigned high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  for (size_t k = 1; k < length; ++k) {
    if (k >= available) return 0;
    const unsigned byte = static_cast<unsigned char>(text[k]);
    if (byte < low || byte > high) return 0;
    value = value << 6 | (byte & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  *code_point = value;
  return static_cast<int>(length);
}

bool is_valid_utf8(const char* text) {
  size_t left = 0;
  while (text[left] != '\0') ++left;
  while (left > 0) {
    uint32_t code_point = 0;
    const int length = utf8_sequence(text, left, &code_point);
    if (length == 0) return false;
    text += length;
    left -= static_cast<size_t>(length);
  }
  return true;
}

bool is_hidden_control(const uint32_t code_point) {
  return code_point < 0x20 || (code_point >= 0x7F && code_point <= 0x9F) ||
         (code_point >= 0x2028 && code_point <= 0x202E) ||
         (code_point >= 0x2066 && code_point <= 0x2069);
}

}  // namespace blobsmith
