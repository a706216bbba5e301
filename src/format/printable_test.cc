// How names are printed: valid UTF-8 as it is, controls and every byte
// outside valid UTF-8 as "\xNN".
#include "format/printable.h"

#include <gtest/gtest.h>

#include <string>

namespace blobsmith {
namespace {

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
  // The edges of the ranges shown escaped: C1, U+2028 to U+202E, the isolates.
  const char* const edges[][2] = {
      {"\xc2\x7f", "\\xC2\\x7F"},  // no sequence: 0x7F continues none, and is DEL
      {"\xc2\x80\xc2\x9f\xc2\xa0", "\\xC2\\x80\\xC2\\x9F\xc2\xa0"},
      {"\xe2\x80\xa7\xe2\x80\xa8", "\xe2\x80\xa7\\xE2\\x80\\xA8"},
      {"\xe2\x80\xae\xe2\x80\xaf", "\\xE2\\x80\\xAE\xe2\x80\xaf"},
      {"\xe2\x81\xa5\xe2\x81\xa6", "\xe2\x81\xa5\\xE2\\x81\\xA6"},
      {"\xe2\x81\xa9\xe2\x81\xaa", "\\xE2\\x81\\xA9\xe2\x81\xaa"},
      {"\x1f \x7e\x7f", "\\x1F \x7e\\x7F"},
  };
  for (const auto& edge : edges) EXPECT_EQ(printable(edge[0]), edge[1]);
}

}  // namespace
}  // namespace blobsmith
