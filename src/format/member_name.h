// Rules for the relative names stored in pack entries.
#ifndef BLOBSMITH_FORMAT_MEMBER_NAME_H_
#define BLOBSMITH_FORMAT_MEMBER_NAME_H_

// True when a stored name stays below the directory it is extracted into:
// split on "\\" and on "/", it has no ".." level, does not begin with a
// separator and does not begin with a drive prefix (a letter and ":").
// The empty name of a zeroed entry counts as safe; it names no file.
bool member_name_is_safe(const char* name);

// True for "\\" and "/", the two characters that separate levels of a
// stored name.
bool is_name_separator(char c);

// The packer's order of names: bytes compared as unsigned values with 'A'
// to 'Z' folded to 'a' to 'z' and no other folding; the first differing
// byte decides and a proper prefix sorts first. With backslash_is_slash,
// "\\" compares as "/": stored names hold "\\" but were sorted holding "/".
// Returns a negative value, zero or a positive value.
int compare_name_order(const char* a, const char* b, bool backslash_is_slash);

#endif  // BLOBSMITH_FORMAT_MEMBER_NAME_H_
