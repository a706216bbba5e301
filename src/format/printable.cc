// Controls and bytes outside valid UTF-8 made visible.
#include "format/printable.h"

#include <cstdint>

#include "format/utf8.h"

namespace blobsmith {

std::string printable(const char* text, const size_t max_length) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string shown;
  for (size_t i = 0; i < max_length && text[i] != '\0';) {
    uint32_t code_point = 0;
    const int length = utf8_sequence(text + i, max_length - i, &code_point);
    if (length > 0 && !is_hidden_control(code_point)) {
      shown.append(text + i, static_cast<size_t>(length));
      i += static_cast<size_t>(length);
      continue;
    }
    // Every byte of a control, or the one byte that begins no sequence (the
    // bytes after it are looked at again in their turn).
    const size_t escaped = length > 0 ? static_cast<size_t>(length) : 1;
    for (size_t k = 0; k < escaped; ++k, ++i) {
      const unsigned char c = static_cast<unsigned char>(text[i]);
      shown += "\\x";
      shown += kDigits[c >> 4];
      shown += kDigits[c & 0xF];
    }
  }
  return shown;
}

}  // namespace blobsmith
