// Writing dependency files that GNU make and ninja read alike.
#include "pack/depfile.h"

namespace blobsmith {

namespace {

// Words make reads as a directive when a line begins with them.
constexpr const char* MAKE_DIRECTIVES[] = {"define",   "endef",    "undefine", "ifdef",  "ifndef",
                                           "ifeq",     "ifneq",    "else",     "endif",  "include",
                                           "-include", "sinclude", "override", "export", "unexport",
                                           "private",  "vpath",    "load",     "-load"};

bool is_separator(const char c, const bool windows) { return c == '/' || (windows && c == '\\'); }

bool is_ascii_letter(const char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// True when the path as a whole would be read as something other than a
// file: a home directory, a member of a library, a special target, a
// suffix rule or a directive; or a name cut short (make drops the spaces
// that end a line, and those before a backslash that continues one).
bool whole_path_misread(const std::string& path, const bool windows) {
  const char last = path.back();
  if (path[0] == '~' || last == ':' || last == '\\' || last == ' ') return true;
  if (last == ')' && path.find('(', 1) != std::string::npos) return true;
  for (const char c : path) {
    if (is_separator(c, windows)) return false;
  }
  if (path[0] == '.' && path != "." && path != "..") return true;
  for (const char* word : MAKE_DIRECTIVES) {
    if (path == word) return true;
  }
  return false;
}

// Appends path to *out as both tools read it back. False when no text
// reads back as path in both; *out then holds part of it.
bool append_path(const std::string& path, const bool windows, std::string* out) {
  if (path.empty() || whole_path_misread(path, windows)) return false;
  const size_t drive_colon =
      windows && path.size() >= 2 && is_ascii_letter(path[0]) && path[1] == ':' ? 1
                                                                                : std::string::npos;
  const size_t size = path.size();
  for (size_t i = 0; i < size; ++i) {
    const char c = path[i];
    const unsigned byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return false;
    switch (c) {
      case '"':
      case '&':
      case '\'':
      case '*':
      case ';':
      case '<':
      case '>':
      case '?':
      case '^':
      case '`':
      case '|':
      case '%':
      case '=':
      case '[':
        return false;
      case '\\': {
        // Backslashes before a space are doubled and one more added; before
        // anything else that is not special they stand as they are.
        size_t end = i;
        while (end < size && path[end] == '\\') ++end;
        const size_t count = end - i;
        const char next = path[end];  // the path does not end in "\"
        if (next == '#' || next == '$' || next == ':') return false;
        if (next == ' ') {
          out->append(2 * count + 1, '\\');
          out->push_back(' ');
          ++end;
        } else {
          out->append(count, '\\');
        }
        i = end - 1;
        break;
      }
      case ' ':
        out->append("\\ ");
        break;
      case '#':
        out->append("\\#");
        break;
      case '$':
        out->append("$$");
        break;
      case ':':
        if (i == drive_colon) {
          out->push_back(':');
        } else if (windows) {
          return false;
        } else {
          out->append("\\:");
        }
        break;
      default:
        out->push_back(c);
    }
  }
  return true;
}

}  // namespace

bool format_depfile(const std::string& target, const std::vector<std::string>& prerequisites,
                    const bool windows, std::string* const text, std::string* const bad_path) {
  std::string written;
  if (!append_path(target, windows, &written)) {
    *bad_path = target;
    return false;
  }
  written.push_back(':');
  for (const std::string& path : prerequisites) {
    written.append(" \\\n ");
    if (!append_path(path, windows, &written)) {
      *bad_path = path;
      return false;
    }
  }
  written.push_back('\n');
  for (const std::string& path : prerequisites) {
    append_path(path, windows, &written);
    written.append(":\n");
  }
  *text = written;
  return true;
}

}  // namespace blobsmith
