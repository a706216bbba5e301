// Paths and names between UTF-8 and the wide calls of Windows.
#include "platform/wide_path_win32.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "format/utf8.h"

namespace blobsmith {

namespace {

constexpr wchar_t LONG_PREFIX[] = L"\\\\?\\";         // a drive path as it is
constexpr wchar_t LONG_UNC_PREFIX[] = L"\\\\?\\UNC";  // before "\\host\share" less one "\\"
constexpr wchar_t DEVICE_PREFIX[] = L"\\\\.\\";

bool begins_with(const wchar_t* text, const wchar_t* prefix) {
  return std::wcsncmp(text, prefix, std::wcslen(prefix)) == 0;
}

// text as UTF-16 in a new buffer: UTF-8 when it is valid UTF-8, the ANSI
// code page otherwise.
wchar_t* wide_text(const char* text) {
  const UINT code_page = is_valid_utf8(text) ? CP_UTF8 : CP_ACP;
  const int units = MultiByteToWideChar(code_page, 0, text, -1, nullptr, 0);
  if (units <= 0) return nullptr;
  wchar_t* wide = static_cast<wchar_t*>(std::malloc(static_cast<size_t>(units) * sizeof(wchar_t)));
  if (wide != nullptr && MultiByteToWideChar(code_page, 0, text, -1, wide, units) != units) {
    std::free(wide);
    return nullptr;
  }
  return wide;
}

// True when a level of path ends in a dot or a space and is not "." or
// "..": GetFullPathNameW would strip them.
bool has_level_windows_strips(const wchar_t* path) {
  const wchar_t* begin = path;
  for (const wchar_t* p = path;; ++p) {
    if (*p != L'\\' && *p != L'\0') continue;
    const size_t length = static_cast<size_t>(p - begin);
    const bool dots_only = length <= 2 && std::wcsspn(begin, L".") >= length;
    if (length > 0 && !dots_only && (p[-1] == L'.' || p[-1] == L' ')) return true;
    if (*p == L'\0') return false;
    begin = p + 1;
  }
}

// prefix and then text from skip on, in a new buffer.
wchar_t* prefixed(const wchar_t* prefix, const wchar_t* text, const size_t skip) {
  const size_t prefix_length = std::wcslen(prefix);
  const size_t rest = std::wcslen(text + skip);
  wchar_t* joined =
      static_cast<wchar_t*>(std::malloc((prefix_length + rest + 1) * sizeof(wchar_t)));
  if (joined == nullptr) return nullptr;
  std::wmemcpy(joined, prefix, prefix_length);
  std::wmemcpy(joined + prefix_length, text + skip, rest + 1);
  return joined;
}

}  // namespace

WidePath::~WidePath() { std::free(text); }

int make_wide_path(const char* path, WidePath* wide) {
  std::free(wide->text);
  wide->text = nullptr;
  wide->device = false;
  wchar_t* given = wide_text(path);
  if (given == nullptr) return -1;
  for (wchar_t* p = given; *p != L'\0'; ++p) {
    if (*p == L'/') *p = L'\\';
  }
  if (begins_with(given, LONG_PREFIX)) {
    // Already the form the calls take: used as it is.
    wide->text = given;
    return 0;
  }
  const DWORD needed = given[0] == L'\0' ? 0 : GetFullPathNameW(given, 0, nullptr, nullptr);
  wchar_t* full =
      needed == 0 ? nullptr : static_cast<wchar_t*>(std::malloc(needed * sizeof(wchar_t)));
  const DWORD length = full == nullptr ? 0 : GetFullPathNameW(given, needed, full, nullptr);
  const bool stripped = has_level_windows_strips(given);
  std::free(given);
  if (length == 0 || length >= needed) {
    std::free(full);
    return -1;
  }
  wide->device = begins_with(full, DEVICE_PREFIX);
  // A stripped level leaves no text: the full path names another file.
  if (!wide->device && !stripped) {
    // "\\host\share" becomes "\\?\UNC\host\share".
    const bool unc = full[0] == L'\\' && full[1] == L'\\';
    wide->text = unc ? prefixed(LONG_UNC_PREFIX, full, 1) : prefixed(LONG_PREFIX, full, 0);
  }
  std::free(full);
  return wide->text != nullptr ? 0 : -1;
}

wchar_t* wide_name(const char* name) { return wide_text(name); }

wchar_t* join_wide(const wchar_t* dir, const wchar_t* name) {
  const size_t dir_length = std::wcslen(dir);
  const bool separated = dir_length > 0 && dir[dir_length - 1] == L'\\';
  const size_t name_length = std::wcslen(name);
  const size_t length = dir_length + (separated ? 0 : 1) + name_length;
  wchar_t* path = static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t)));
  if (path == nullptr) return nullptr;
  std::wmemcpy(path, dir, dir_length);
  if (!separated) path[dir_length] = L'\\';
  std::wmemcpy(path + length - name_length, name, name_length + 1);
  return path;
}

int utf8_from_wide(const wchar_t* text, char* out, const size_t size) {
  const int room = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(size);
  const int bytes =
      WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, out, room, nullptr, nullptr);
  return bytes > 0 ? bytes - 1 : -1;
}

}  // namespace blobsmith
