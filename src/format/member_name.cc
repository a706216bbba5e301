// The rule for the relative names stored in pack entries.
#include "format/member_name.h"

#include <cstring>

#include "format/utf8.h"

namespace blobsmith {

namespace {

bool is_ascii_letter(const char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char to_lower(const char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The next level of a name: [*begin, *end) from p, which stands at a level's
// start. Returns where the following level starts, or nullptr after the last.
const char* next_level(const char* p, const char** begin, const char** end) {
  *begin = p;
  while (*p != '\0' && !is_name_separator(*p)) ++p;
  *end = p;
  return *p == '\0' ? nullptr : p + 1;
}

bool is_dot_level(const char* begin, const char* end, const size_t dots) {
  if (static_cast<size_t>(end - begin) != dots) return false;
  for (const char* p = begin; p < end; ++p) {
    if (*p != '.') return false;
  }
  return true;
}

// The reserved device names, compared with a level's part before its first
// dot, trailing spaces dropped, ASCII letters folded. "\xc2\xb9" and the
// others are the superscript digits 1, 2 and 3.
bool is_device_name(const char* begin, const char* end) {
  const char* stem_end = begin;
  while (stem_end < end && *stem_end != '.') ++stem_end;
  while (stem_end > begin && stem_end[-1] == ' ') --stem_end;
  char stem[8];
  const size_t length = static_cast<size_t>(stem_end - begin);
  if (length < 3 || length > sizeof stem - 1) return false;
  for (size_t i = 0; i < length; ++i) stem[i] = to_lower(begin[i]);
  stem[length] = '\0';
  static const char* const kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
  for (const char* word : kDevices) {
    if (std::strcmp(stem, word) == 0) return true;
  }
  if (std::strncmp(stem, "com", 3) != 0 && std::strncmp(stem, "lpt", 3) != 0) return false;
  const char* digit = stem + 3;
  if (digit[0] >= '0' && digit[0] <= '9' && digit[1] == '\0') return true;
  static const char* const kSuperscripts[] = {"\xc2\xb9", "\xc2\xb2", "\xc2\xb3"};
  for (const char* superscript : kSuperscripts) {
    if (std::strcmp(digit, superscript) == 0) return true;
  }
  return false;
}

bool is_reserved_character(const char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  return (byte >= 1 && byte <= 31) || std::strchr(":<>\"|?*", c) != nullptr;
}

}  // namespace

int compare_folded_names(const char* a, const char* b) {
  for (size_t i = 0;; ++i) {
    const unsigned x = fold_name_byte(a[i]);
    const unsigned y = fold_name_byte(b[i]);
    if (x != y) return x < y ? -1 : 1;
    if (x == 0) return 0;
  }
}

int compare_name_order(const char* a, const char* b) {
  const int folded = compare_folded_names(a, b);
  if (folded != 0) return folded;
  for (size_t i = 0; a[i] != '\0'; ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]);
    const unsigned char y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

bool begins_with_drive_prefix(const char* name) {
  return is_ascii_letter(name[0]) && name[1] == ':';
}

NameFault member_name_fault(const char* name) {
  if (name[0] == '\0') return NAME_CANONICAL;
  if (is_name_separator(name[0])) return NAME_LEADING_SEPARATOR;
  if (begins_with_drive_prefix(name)) return NAME_DRIVE_PREFIX;
  // The unsafe fault wins wherever it stands; the others in this order.
  NameFault found = NAME_CANONICAL;
  const char* begin = nullptr;
  const char* end = nullptr;
  for (const char* p = name; p != nullptr;) {
    p = next_level(p, &begin, &end);
    if (is_dot_level(begin, end, 2)) return NAME_PARENT_LEVEL;
    NameFault here = NAME_CANONICAL;
    if (begin == end) {
      here = p == nullptr ? NAME_TRAILING_SEPARATOR : NAME_EMPTY_LEVEL;
    } else if (is_dot_level(begin, end, 1)) {
      here = NAME_DOT_LEVEL;
    } else if (*end == '/') {
      here = NAME_SLASH;
    }
    if (here != NAME_CANONICAL && (found == NAME_CANONICAL || here < found)) found = here;
  }
  return found;
}

const char* name_fault_text(const NameFault fault) {
  switch (fault) {
    case NAME_CANONICAL:
      return "is canonical";
    case NAME_LEADING_SEPARATOR:
      return "begins with a separator";
    case NAME_DRIVE_PREFIX:
      return "begins with a drive prefix";
    case NAME_PARENT_LEVEL:
      return "has a \"..\" level";
    case NAME_TRAILING_SEPARATOR:
      return "ends in a separator";
    case NAME_EMPTY_LEVEL:
      return "has an empty level";
    case NAME_DOT_LEVEL:
      return "has a \".\" level";
    case NAME_SLASH:
      return "has \"/\" between levels";
  }
  return "";
}

bool member_name_is_safe(const char* name) {
  const NameFault fault = member_name_fault(name);
  return fault != NAME_LEADING_SEPARATOR && fault != NAME_DRIVE_PREFIX &&
         fault != NAME_PARENT_LEVEL;
}

WindowsHazard windows_hazard(const char* name) {
  const char* begin = nullptr;
  const char* end = nullptr;
  for (const char* p = name; p != nullptr;) {
    p = next_level(p, &begin, &end);
    // Empty, "." and ".." levels are the canonical rule's to report.
    if (begin == end || is_dot_level(begin, end, 1) || is_dot_level(begin, end, 2)) continue;
    if (end[-1] == '.' || end[-1] == ' ') return HAZARD_TRAILING_DOT_OR_SPACE;
    for (const char* c = begin; c < end; ++c) {
      if (is_reserved_character(*c)) return HAZARD_RESERVED_CHARACTER;
    }
    if (is_device_name(begin, end)) return HAZARD_DEVICE_NAME;
  }
  return is_valid_utf8(name) ? HAZARD_NONE : HAZARD_NOT_UTF8;
}

const char* windows_hazard_text(const WindowsHazard hazard) {
  switch (hazard) {
    case HAZARD_NONE:
      return "none";
    case HAZARD_TRAILING_DOT_OR_SPACE:
      return "a level ends in a dot or a space";
    case HAZARD_RESERVED_CHARACTER:
      return "it holds a character Windows does not allow";
    case HAZARD_DEVICE_NAME:
      return "a level is a device name";
    case HAZARD_NOT_UTF8:
      return "it is not UTF-8";
  }
  return "";
}

size_t name_file_key(const char* name, char (&key)[PACK_NAME_FIELD_SIZE]) {
  size_t length = 0;
  const char* begin = nullptr;
  const char* end = nullptr;
  for (const char* p = name; p != nullptr;) {
    p = next_level(p, &begin, &end);
    if (begin == end || is_dot_level(begin, end, 1)) continue;
    // Windows strips trailing dots and spaces; a ".." level is kept whole.
    if (!is_dot_level(begin, end, 2)) {
      while (end > begin && (end[-1] == '.' || end[-1] == ' ')) --end;
    }
    if (length > 0 && length < PACK_NAME_MAX_LENGTH) key[length++] = '/';
    for (const char* c = begin; c < end && length < PACK_NAME_MAX_LENGTH; ++c) {
      key[length++] = to_lower(*c);
    }
  }
  key[length] = '\0';
  return length;
}

}  // namespace blobsmith
