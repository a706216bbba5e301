// Matching -g names and patterns against the entries of the walk.
#include "pack/ignore_match.h"

#include <cstdint>
#include <cstring>

namespace blobsmith {

namespace {

// The bytes [begin, end) of one level of a name or a pattern.
struct Span {
  const char* begin;
  const char* end;
};

// One character of a name: its code point, or 0xDC00 plus the byte for a
// byte that starts no well-formed UTF-8 sequence, so such bytes never equal
// a real character; and how many bytes it takes.
struct Character {
  uint32_t code;
  int length;
};

Character next_character(const char* const p, const char* const end) {
  const unsigned lead = static_cast<unsigned char>(p[0]);
  const Character lone = {0xDC00u + lead, 1};
  if (lead < 0x80) return {lead, 1};
  int length;
  uint32_t code;
  // Bounds of the second byte: they leave out overlong forms, the
  // surrogates and code points past U+10FFFF.
  unsigned low = 0x80;
  unsigned high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0Fu;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07u;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return lone;
  }
  if (end - p < length) return lone;
  for (int i = 1; i < length; ++i) {
    const unsigned byte = static_cast<unsigned char>(p[i]);
    if (byte < low || byte > high) return lone;
    low = 0x80;
    high = 0xBF;
    code = code << 6 | (byte & 0x3Fu);
  }
  return {code, length};
}

// The bracket expression that opens at p ("["): the members between
// members_begin and close, and whether it is negated. False when no "]"
// closes it within the level, and the "[" is then an ordinary character.
struct Bracket {
  const char* members_begin;
  const char* close;
  bool negated;
};

bool parse_bracket(const char* const p, const char* const end, Bracket* bracket) {
  const char* q = p + 1;
  bracket->negated = q < end && (*q == '!' || *q == '^');
  if (bracket->negated) ++q;
  bracket->members_begin = q;
  if (q < end && *q == ']') ++q;  // a "]" first is a member
  while (q < end && *q != ']') ++q;
  if (q == end) return false;
  bracket->close = q;
  return true;
}

bool bracket_matches(const Bracket& bracket, const uint32_t code) {
  bool member = false;
  const char* m = bracket.members_begin;
  while (m < bracket.close) {
    const Character low = next_character(m, bracket.close);
    m += low.length;
    uint32_t high = low.code;
    if (m + 1 < bracket.close && *m == '-') {  // a "-" before the "]" is a member
      const Character last = next_character(m + 1, bracket.close);
      m += 1 + last.length;
      high = last.code;
    }
    if (code >= low.code && code <= high) member = true;
  }
  return member != bracket.negated;
}

// Matches one level of a pattern against one level of a name. On a
// mismatch only the latest "*" takes one more character and matching
// resumes after it: whatever an earlier star could take instead, the latest
// one can take as well. The time stays within the product of the lengths.
bool level_matches(const Span pattern, const Span name) {
  const char* p = pattern.begin;
  const char* n = name.begin;
  const char* star_resume = nullptr;  // the pattern just after the latest "*"
  const char* star_taken = nullptr;   // the name up to which that "*" reaches
  for (;;) {
    if (p < pattern.end && *p == '*') {
      star_resume = ++p;
      star_taken = n;
      continue;
    }
    if (p < pattern.end && n < name.end) {
      const Character c = next_character(n, name.end);
      if (*p == '?') {
        ++p;
        n += c.length;
        continue;
      }
      Bracket bracket;
      if (*p == '[' && parse_bracket(p, pattern.end, &bracket)) {
        if (bracket_matches(bracket, c.code)) {
          p = bracket.close + 1;
          n += c.length;
          continue;
        }
      } else if (*p == *n) {
        ++p;
        ++n;
        continue;
      }
    } else if (p == pattern.end && n == name.end) {
      return true;
    }
    if (star_resume == nullptr || star_taken == name.end) return false;
    star_taken += next_character(star_taken, name.end).length;
    p = star_resume;
    n = star_taken;
  }
}

bool same_text(const Span a, const Span b) {
  const size_t length = static_cast<size_t>(a.end - a.begin);
  return length == static_cast<size_t>(b.end - b.begin) &&
         std::memcmp(a.begin, b.begin, length) == 0;
}

bool is_separator(const char c, const bool backslash_separates) {
  return c == '/' || (backslash_separates && c == '\\');
}

// The next level of text at *cursor, separators before it skipped; false
// when only separators are left. *cursor moves past the level.
bool next_level(const char** const cursor, const char* const end, const bool backslash_separates,
                Span* level) {
  const char* p = *cursor;
  while (p < end && is_separator(*p, backslash_separates)) ++p;
  if (p == end) return false;
  level->begin = p;
  while (p < end && !is_separator(*p, backslash_separates)) ++p;
  level->end = p;
  *cursor = p;
  return true;
}

bool path_matches(const Span pattern, const char* const relative_path,
                  const bool backslash_separates) {
  const char* p = pattern.begin;
  const char* n = relative_path;
  const char* const name_end = relative_path + std::strlen(relative_path);
  Span pattern_level;
  Span name_level;
  for (;;) {
    const bool more_pattern = next_level(&p, pattern.end, backslash_separates, &pattern_level);
    const bool more_name = next_level(&n, name_end, backslash_separates, &name_level);
    if (!more_pattern || !more_name) return !more_pattern && !more_name;
    if (!same_text(pattern_level, name_level) && !level_matches(pattern_level, name_level)) {
      return false;
    }
  }
}

}  // namespace

bool ignore_pattern_matches(const char* const pattern, const char* const bare_name,
                            const char* const relative_path, const bool is_directory,
                            const bool backslash_separates) {
  bool wild = false;
  bool separated = false;
  bool has_level = false;  // a byte that is not a separator
  const char* end = pattern;
  for (; *end != '\0'; ++end) {
    if (*end == '*' || *end == '?' || *end == '[') wild = true;
    if (is_separator(*end, backslash_separates)) {
      separated = true;
    } else {
      has_level = true;
    }
  }
  if (!separated) {
    if (std::strcmp(pattern, bare_name) == 0) return true;
    return wild && level_matches({pattern, end}, {bare_name, bare_name + std::strlen(bare_name)});
  }
  if (!has_level) return false;
  const bool directory_only = is_separator(end[-1], backslash_separates);
  if (directory_only && !is_directory) return false;
  return path_matches({pattern, end}, relative_path, backslash_separates);
}

}  // namespace blobsmith
