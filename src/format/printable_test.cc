// How names are printed: valid UTF-8 as it is, controls and every byte
// outside valid UTF-8 as "\xNN".
#include "format/printable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace blobsmith {
namespace {

std::string escaped(const std::string& bytes) {
  std::string shown;
  for (const char c : bytes) {
    shown +=
        "\\x" + std::string(1, "0123456789ABCDEF"[(c >> 4) & 0xF]) + "0123456789ABCDEF"[c & 0xF];
  }
  return shown;
}

// code_point in UTF-8, surrogates too.
std::string encoded(const uint32_t code_point) {
  static constexpr unsigned kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  const int length = code_point < 0x80 ? 1 : code_point < 0x800 ? 2 : code_point < 0x10000 ? 3 : 4;
  std::string bytes(
      1, static_cast<char>(length == 1 ? code_point
                                       : kLead[length] | code_point >> (6 * (length - 1))));
  for (int k = length - 2; k >= 0; --k) {
    bytes += static_cast<char>(0x80 | (code_point >> (6 * k) & 0x3F));
  }
  return bytes;
}

TEST(Printable, EveryCodePoint) {
  // Escaped, each byte: controls, surrogates (no valid UTF-8 at all), the
  // line and paragraph separators and the bidirectional controls.
  const uint32_t hidden[][2] = {
      {0x01, 0x1F}, {0x7F, 0x9F}, {0xD800, 0xDFFF}, {0x2028, 0x202E}, {0x2066, 0x2069}};
  for (uint32_t code_point = 1; code_point <= 0x10FFFF; ++code_point) {
    const std::string bytes = encoded(code_point);
    bool hide = false;
    for (const auto& range : hidden)
      hide = hide || (code_point >= range[0] && code_point <= range[1]);
    if (printable(bytes.c_str()) != (hide ? escaped(bytes) : bytes)) {
      ADD_FAILURE() << "U+" << std::hex << code_point << " shown as " << printable(bytes.c_str());
      break;
    }
  }
}

TEST(Printable, BytesOutsideValidUtf8) {
  const struct {
    std::string bytes;
    size_t max_length;
    std::string shown;
  } cases[] = {
      {"a\nb\x1b[2J\x7f\x01z\xc3\xa9", 99, "a\\x0Ab\\x1B[2J\\x7F\\x01z\xc3\xa9"},
      {"abcdef", 3, "abc"},
      {std::string("ab\0\xff", 4), 99, "ab"},
      {"\xc2\x9b\xc2\xa0", 99, "\\xC2\\x9B\xc2\xa0"},  // C1 CSI, then no-break space
      {"\xc0\xaf\xe0\x9f\xbf\xf0\x8f\xbf\xbf", 99,     // overlong
       "\\xC0\\xAF\\xE0\\x9F\\xBF\\xF0\\x8F\\xBF\\xBF"},
      {"\xed\xa0\x80\xed\x9f\xbf", 99, "\\xED\\xA0\\x80\xed\x9f\xbf"},  // surrogate, U+D7FF
      {"\xf4\x90\x80\x80\xf4\x8f\xbf\xbf", 99, "\\xF4\\x90\\x80\\x80\xf4\x8f\xbf\xbf"},  // 10FFFF
      {"\xf5\x80\xf8\xfe\xff", 99, "\\xF5\\x80\\xF8\\xFE\\xFF"},  // leading nothing
      {"\x80\xc3\xa9\xbf", 99, "\\x80\xc3\xa9\\xBF"},             // stray continuations
      {"\xe2\x82"
       "A\xf0\x9f\x98\xc3\xa9",
       99, "\\xE2\\x82A\\xF0\\x9F\\x98\xc3\xa9"},                 // cut
      {"x\xf0\x9f\x98", 99, "x\\xF0\\x9F\\x98"},                  // cut by the end
      {"\xe2\x82\xac\xe2\x82\xac", 5, "\xe2\x82\xac\\xE2\\x82"},  // cut by max_length
      {"\xf0\x9f\x98\x80", 4, "\xf0\x9f\x98\x80"},
  };
  for (const auto& c : cases) EXPECT_EQ(printable(c.bytes.c_str(), c.max_length), c.shown);
}

}  // namespace
}  // namespace blobsmith
