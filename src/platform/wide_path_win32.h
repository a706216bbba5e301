// Paths and names on their way to the wide (UTF-16) file calls of Windows.
// The tool speaks UTF-8 everywhere else: a path becomes UTF-16 here, is made
// full by GetFullPathNameW and is handed over in the "\\?\" form, so no
// length limit but the tool's own applies; names come back as UTF-8.
//
// Text that is not valid UTF-8 is read in the ANSI code page, as the narrow
// calls of earlier builds read it, so packs those builds wrote unpack as
// they did.
#ifndef BLOBSMITH_PLATFORM_WIDE_PATH_WIN32_H_
#define BLOBSMITH_PLATFORM_WIDE_PATH_WIN32_H_

#include <cstddef>

namespace blobsmith {

// A path in the form the wide calls take; owns its text.
struct WidePath {
  wchar_t* text = nullptr;  // "\\?\C:\..." or "\\?\UNC\host\share\...", or nullptr
  bool device = false;      // the path names a device (NUL, COM1, out\nul.bin)
  WidePath() = default;
  WidePath(const WidePath&) = delete;
  WidePath& operator=(const WidePath&) = delete;
  ~WidePath();
};

// Fills wide for path: "/" becomes "\\", and a path not already in the
// "\\?\" form is made full by GetFullPathNameW (relative to the current
// directory, or to a drive's), then given the "\\?\" or "\\?\UNC\" prefix.
// A path GetFullPathNameW turns into a "\\.\" one names a device: device is
// set and no text is given, so a device is never opened. Nor is any given
// for a level that ends in a dot or a space (".", ".." and the "\\?\" form
// aside): GetFullPathNameW strips them, so the full path would name another
// file. Returns 0, or -1 when no text is given.
int make_wide_path(const char* path, WidePath* wide);

// A single name (a level, no separator) as UTF-16, in a new buffer freed
// with std::free; nullptr when it cannot be converted or had.
wchar_t* wide_name(const char* name);

// dir, "\\" (unless dir ends in one) and name in a new buffer freed with
// std::free; nullptr when none can be had.
wchar_t* join_wide(const wchar_t* dir, const wchar_t* name);

// Writes text as UTF-8, zero-terminated, into out of size bytes. Returns the
// length, or -1 when text holds an unpaired surrogate (it names no UTF-8
// text) or the result does not fit.
int utf8_from_wide(const wchar_t* text, char* out, size_t size);

}  // namespace blobsmith

#endif  // BLOBSMITH_PLATFORM_WIDE_PATH_WIN32_H_
