// -g names and patterns against bare names and relative paths.
#include "pack/ignore_match.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace blobsmith {
namespace {

// A pattern, the relative paths it matches and those it does not; the last
// level of each path is its bare name.
struct Case {
  const char* pattern;
  std::vector<std::string> matched;
  std::vector<std::string> unmatched;
};

void expect_cases(const std::vector<Case>& cases, const bool is_directory,
                  const bool backslash_separates) {
  for (const Case& c : cases) {
    for (const bool expected : {true, false}) {
      for (const std::string& path : expected ? c.matched : c.unmatched) {
        const size_t last = path.find_last_of(backslash_separates ? "/\\" : "/");
        const std::string bare = last == std::string::npos ? path : path.substr(last + 1);
        EXPECT_EQ(ignore_pattern_matches(c.pattern, bare.c_str(), path.c_str(), is_directory,
                                         backslash_separates),
                  expected)
            << "pattern \"" << c.pattern << "\" path \"" << path << "\"";
      }
    }
  }
}

TEST(IgnoreMatch, BareNamesAndPatterns) {
  expect_cases(
      {
          {"build", {"build", "src/build"}, {"src/Build", "build.txt", "buil"}},
          {"", {}, {"build"}},
          {"a\\b", {"a\\b"}, {"a/b"}},  // "\\" is a plain byte here
          {"*.tmp", {"x/a.tmp", ".hidden.tmp", ".tmp"}, {"a.tmp.bak"}},
          {"**", {"anything"}, {}},
          {"a*b*c", {"aXXbYc"}, {"acb"}},
          {"*[", {"x["}, {}},
          // One character: a well-formed UTF-8 sequence, or a byte that starts none.
          {"?.txt",
           {"a.txt", "\xc3\xa9.txt", "\xf0\x9f\x98\x80.txt", "\xff.txt", "\xc3.txt"},
           {"ab.txt", ".txt", "\xe2\x82.txt", "\xc0\xae.txt", "\xed\xa0\x80.txt"}},
          {"*\xa9", {}, {"\xc3\xa9"}},                    // a star never takes part of a character
          {"?", {"\xc3"}, {"\xc3\x7f", "\x80\x80\x80"}},  // 0x7F continues no sequence
          {"[a-c]*", {"cat"}, {"dog"}},
          {"[!a-c]*", {"dog"}, {"cat"}},
          {"[^a-c]*", {"\xc3\xa9"}, {"cat"}},
          {"[\xf0\xbf\xbf\xbf-\xf1\x80\x80\x85]", {"\xf1\x80\x80\x80"}, {"\xf1\x80\x80\x86"}},
          {"[\xe4\xb8\x80-\xe4\xb8\x8f]", {"\xe4\xb8\x85"}, {"\xe5\xb8\x85"}},
          {"[]]", {"]"}, {"a"}},
          {"[!]]", {"a"}, {"]"}},
          {"[a-]", {"a", "-"}, {"b"}},
          {"[*]", {"*"}, {"x"}},
          {"[z-a]", {}, {"m", "z"}},
          {"[\xc3\xa9-\xc3\xaa]", {"\xc3\xaa"}, {"\xc3\xab", "\xc3"}},  // code points
          // A pattern matches its own text too; an unclosed "[" is a character.
          {"[old]", {"[old]", "o"}, {"x"}},
          {"[abc", {"[abc"}, {"a"}},
          {"[!]*", {"[!]abc"}, {"a"}},
      },
      false, false);
}

TEST(IgnoreMatch, PathPatterns) {
  expect_cases(
      {
          {"raw/*.wav", {"raw/a.wav"}, {"x/raw/a.wav", "raw/x/a.wav", "a.wav"}},
          {"a/*/c", {"a/b/c"}, {"a/b/d/c", "a/c"}},
          {"*/x", {"a/x"}, {"x"}},
          {"a/?", {"a/\xc3\xa9"}, {"a/bc"}},
          {"a/b", {"a/b"}, {"a/b/c"}},  // what lies below is the walk's to leave out
          {"/raw", {"raw"}, {"x/raw"}},
          {"raw//x", {"raw/x"}, {}},
          {"raw/", {}, {"raw"}},
          {"/", {}, {"x"}},
          // Each level matches its own text too; a bracket never spans levels.
          {"a/b*", {"a/b*", "a/bc"}, {}},
          {"[old]/x", {"[old]/x", "o/x"}, {}},
          {"a/[b/c]", {"a/[b/c]"}, {"a/b"}},
          {"a/\\x", {"a/\\x"}, {"a/x"}},
      },
      false, false);
  expect_cases({{"raw/", {"raw"}, {"x/raw"}}, {"a/b/c", {}, {"a/b"}}, {"//", {}, {"", "x"}}}, true,
               false);
  expect_cases({{"a\\b", {"a/b", "a\\b"}, {}}, {"a/b", {"a\\b"}, {}}, {"raw\\", {}, {"raw"}}},
               false, true);
  expect_cases({{"raw\\", {"raw"}, {}}}, true, true);
}

TEST(IgnoreMatch, StarsDoNotBacktrackWithoutEnd) {
  // Exponential backtracking would not finish these; the matcher moves one
  // star at a time.
  const std::string many_a(400, 'a');
  const std::string ends_in_b = many_a + "b";
  const std::string path = "x/" + many_a;
  const char* pattern = "a*a*a*a*a*a*a*a*b";
  EXPECT_FALSE(ignore_pattern_matches(pattern, many_a.c_str(), many_a.c_str(), false, false));
  EXPECT_TRUE(ignore_pattern_matches(pattern, ends_in_b.c_str(), ends_in_b.c_str(), false, false));
  EXPECT_FALSE(
      ignore_pattern_matches("x/*a*a*a*a*a*a*?b", many_a.c_str(), path.c_str(), false, false));
}

}  // namespace
}  // namespace blobsmith
