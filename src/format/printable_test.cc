// How names are printed: valid UTF-8 as it is, controls and every byte
// outside valid UTF-8 as "\xNN".
#include "format/printable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace blobsmith {
namespace {

std::string escaped(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string shown;
  for (const char c : bytes) {
    const unsigned char byte = static_cast<unsigned char>(c);
    shown += std::string("\\x") + kDigits[byte >> 4] + kDigits[byte & 0xF];
  }
  return shown;
}

std::string encoded(const uint32_t code_point) {
  std::string bytes;
  if (code_point < 0x80) {
    bytes += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    bytes += static_cast<char>(0xC0 | code_point >> 6);
    bytes += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    bytes += static_cast<char>(0xE0 | code_point >> 12);
    bytes += static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
    bytes += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    bytes += static_cast<char>(0xF0 | code_point >> 18);
    bytes += static_cast<char>(0x80 | (code_point >> 12 & 0x3F));
    bytes += static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
    bytes += static_cast<char>(0x80 | (code_point & 0x3F));
  }
  return bytes;
}

TEST(Printable, EveryCodePoint) {
  // Shown escaped, each byte: controls, surrogates (not valid UTF-8 at all),
  // line separators and bidirectional controls.
  const uint32_t hidden[][2] = {{0x01, 0x1F},     {0x7F, 0x9F},     {0x2028, 0x2029},
                                {0x202A, 0x202E}, {0x2066, 0x2069}, {0xD800, 0xDFFF}};
  int64_t escaped_count = 0;
  for (uint32_t code_point = 1; code_point <= 0x10FFFF; ++code_point) {
    bool hide = false;
    for (const auto& range : hidden)
      hide = hide || (code_point >= range[0] && code_point <= range[1]);
    const std::string bytes = encoded(code_point);
    const std::string shown = printable(bytes.c_str());
    if (shown != (hide ? escaped(bytes) : bytes)) {
      ADD_FAILURE() << "U+" << std::hex << code_point << " shown as " << shown;
      break;
    }
    escaped_count += shown != bytes;
  }
  EXPECT_EQ(escaped_count, 0x1F + 0x21 + 2 + 5 + 4 + 0x800);
}

TEST(Printable, BytesOutsideValidUtf8) {
  const struct {
    const char* why;
    std::string bytes;
    size_t max_length;
    std::string shown;
  } cases[] = {
      {"text and controls", "a\nb\x1b[2J\x7f\x01z\xc3\xa9", 99,
       "a\\x0Ab\\x1B[2J\\x7F\\x01z\xc3\xa9"},
      {"stops at max_length", "abcdef", 3, "abc"},
      {"stops at zero", std::string("ab\0\xff", 4), 99, "ab"},
      {"C1 control, then the first code point after", "\xc2\x9b\xc2\xa0", 99, "\\xC2\\x9B\xc2\xa0"},
      {"overlong two bytes", "\xc0\xaf\xc1\xbf", 99, "\\xC0\\xAF\\xC1\\xBF"},
      {"overlong three bytes", "\xe0\x80\xaf\xe0\x9f\xbf", 99, "\\xE0\\x80\\xAF\\xE0\\x9F\\xBF"},
      {"overlong four bytes", "\xf0\x80\x80\xaf\xf0\x8f\xbf\xbf", 99,
       "\\xF0\\x80\\x80\\xAF\\xF0\\x8F\\xBF\\xBF"},
      {"surrogate, then the code point before them", "\xed\xa0\x80\xed\x9f\xbf", 99,
       "\\xED\\xA0\\x80\xed\x9f\xbf"},
      {"above U+10FFFF, then U+10FFFF", "\xf4\x90\x80\x80\xf4\x8f\xbf\xbf", 99,
       "\\xF4\\x90\\x80\\x80\xf4\x8f\xbf\xbf"},
      {"lead bytes that lead nothing", "\xf5\x80\x80\x80\xf8\xfe\xff", 99,
       "\\xF5\\x80\\x80\\x80\\xF8\\xFE\\xFF"},
      {"stray continuation bytes around a valid one", "\x80\xc3\xa9\xbf", 99, "\\x80\xc3\xa9\\xBF"},
      {"cut by a byte that does not continue it",
       "\xe2\x82"
       "A\xf0\x9f\x98\xc3\xa9",
       99, "\\xE2\\x82A\\xF0\\x9F\\x98\xc3\xa9"},
      {"cut by the end", "x\xf0\x9f\x98", 99, "x\\xF0\\x9F\\x98"},
      {"cut by max_length", "\xe2\x82\xac\xe2\x82\xac", 5, "\xe2\x82\xac\\xE2\\x82"},
      {"whole at max_length", "\xf0\x9f\x98\x80", 4, "\xf0\x9f\x98\x80"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(printable(c.bytes.c_str(), c.max_length), c.shown) << c.why;
  }
}

}  // namespace
}  // namespace blobsmith
