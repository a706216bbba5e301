// The one rule for the relative names stored in pack entries: which names
// the packer writes (canonical), which are safe to extract, which a Windows
// file system cannot hold, which two name the same file, and the one order
// (and folding) that the packer sorts by and the reader and --verify search
// and check by. The walk, the writer, --verify, the extractor and the
// reader all ask here.
#ifndef BLOBSMITH_FORMAT_MEMBER_NAME_H_
#define BLOBSMITH_FORMAT_MEMBER_NAME_H_

#include <cstddef>

#include "format/pack_format.h"

namespace blobsmith {

// True for "\\" and "/", the two characters that separate levels of a
// stored name.
inline bool is_name_separator(const char c) { return c == '\\' || c == '/'; }

// The folding the order compares bytes by: 'A' to 'Z' as 'a' to 'z', "\\" as
// "/" (stored names hold "\\" but were sorted holding "/"), nothing else.
struct NameFold {
  unsigned char bytes[256];
};

constexpr NameFold make_name_fold() {
  NameFold fold{};
  for (unsigned value = 0; value < 256; ++value) {
    unsigned folded = value >= 'A' && value <= 'Z' ? value + ('a' - 'A') : value;
    if (value == '\\') folded = '/';
    fold.bytes[value] = static_cast<unsigned char>(folded);
  }
  return fold;
}

constexpr NameFold NAME_FOLD = make_name_fold();

// A byte as the order compares it.
inline unsigned fold_name_byte(const char c) {
  return NAME_FOLD.bytes[static_cast<unsigned char>(c)];
}

// Compares two names byte by byte after folding; the first differing byte
// decides and a proper prefix sorts first. Returns <0, 0 or >0.
int compare_folded_names(const char* a, const char* b);

// The packer's order: folded as above, and names that fold alike ordered
// by their raw bytes, so the order never depends on the order a directory
// lists them in. Returns <0, 0 or >0.
int compare_name_order(const char* a, const char* b);

// The first rule of the canonical form a name breaks. The packer writes
// only canonical names: levels separated by single "\\", no level empty,
// "." or "..", no trailing separator, and no drive prefix ("c:") as the
// first level. The empty name of a zeroed entry is canonical (it names no
// file). The first three faults make a name unsafe: it would lead outside
// the directory it is extracted into. The others are still extracted ("/"
// and "\\" alike separate levels, empty and "." levels add nothing), but
// may name the same file as another member or no file at all.
enum NameFault {
  NAME_CANONICAL = 0,
  NAME_LEADING_SEPARATOR,   // begins with "\\" or "/"
  NAME_DRIVE_PREFIX,        // begins with a letter and ":"
  NAME_PARENT_LEVEL,        // a ".." level
  NAME_TRAILING_SEPARATOR,  // ends in "\\" or "/"
  NAME_EMPTY_LEVEL,         // two separators in a row
  NAME_DOT_LEVEL,           // a "." level
  NAME_SLASH,               // "/" between levels
};

NameFault member_name_fault(const char* name);

// What a fault breaks, as the tool's lines say it ("ends in a separator").
const char* name_fault_text(NameFault fault);

// True when a stored name stays below the directory it is extracted into:
// none of the first three faults above. The empty name counts as safe.
bool member_name_is_safe(const char* name);

// True when the first level of name is a drive prefix: an ASCII letter and
// ":" (on Windows "c:x" is relative to drive c's current directory).
bool begins_with_drive_prefix(const char* name);

// What a Windows file system cannot hold, the first found scanning the
// levels in order (split on "\\" and "/"). Names holding one are packed,
// reported, and refused on Windows when unpacking.
enum WindowsHazard {
  HAZARD_NONE = 0,
  HAZARD_TRAILING_DOT_OR_SPACE,  // Windows strips them: "b." is "b"
  HAZARD_RESERVED_CHARACTER,     // : < > " | ? * or a byte 1 to 31
  HAZARD_DEVICE_NAME,            // CON, NUL, COM1, LPT¹, CONIN$... with or without extension
  HAZARD_NOT_UTF8,               // made in the ANSI code page instead
};

WindowsHazard windows_hazard(const char* name);

// What a hazard is, as the tool's lines say it ("a level is a device name").
const char* windows_hazard_text(WindowsHazard hazard);

// The file a name lands on when extracted, on any platform: its levels
// joined by "/" with empty and "." levels left out, ASCII letters folded to
// lower case, and trailing dots and spaces of each level stripped as
// Windows strips them. Two names with the same key are one file on a
// Windows or case-folding file system; a key that is a level prefix of
// another (key "a", key "a/b") is a file where a directory is needed.
// Returns the key's length.
// REQUIRES: name is at most PACK_NAME_MAX_LENGTH bytes long.
size_t name_file_key(const char* name, char (&key)[PACK_NAME_FIELD_SIZE]);

}  // namespace blobsmith

#endif  // BLOBSMITH_FORMAT_MEMBER_NAME_H_
