// Control bytes made visible.
#include "format/printable.h"

namespace blobsmith {

std::string printable(const char* text, const size_t max_length) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string shown;
  for (size_t i = 0; i < max_length && text[i] != '\0'; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      shown += "\\x";
      shown += kDigits[c >> 4];
      shown += kDigits[c & 0xF];
    } else {
      shown += text[i];
    }
  }
  return shown;
}

}  // namespace blobsmith
