// Rules for the relative names stored in pack entries: which are safe to
// extract, and the one order (and folding) that the packer sorts by and
// the reader and --verify search and check by.
#ifndef BLOBSMITH_FORMAT_MEMBER_NAME_H_
#define BLOBSMITH_FORMAT_MEMBER_NAME_H_

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
inline unsigned fold_name_byte(const char c) { return NAME_FOLD.bytes[static_cast<unsigned char>(c)]; }

// Compares two names byte by byte after folding; the first differing byte
// decides and a proper prefix sorts first. Returns <0, 0 or >0.
int compare_folded_names(const char* a, const char* b);

// The packer's order: folded as above, and names that fold alike ordered
// by their raw bytes, so the order never depends on the order a directory
// lists them in. Returns <0, 0 or >0.
int compare_name_order(const char* a, const char* b);

// True when a stored name stays below the directory it is extracted into:
// split on "\\" and on "/", it has no ".." level, does not begin with a
// separator and does not begin with a drive prefix (a letter and ":").
// The empty name of a zeroed entry counts as safe; it names no file.
bool member_name_is_safe(const char* name);

}  // namespace blobsmith

#endif  // BLOBSMITH_FORMAT_MEMBER_NAME_H_
