// Which entries of the walk a -g name leaves out: exact names, shell-style
// patterns on bare names, and patterns on paths below the input directory.
#ifndef BLOBSMITH_PACK_IGNORE_MATCH_H_
#define BLOBSMITH_PACK_IGNORE_MATCH_H_

namespace blobsmith {

// True when the -g name pattern leaves out the entry whose bare name is
// bare_name and whose path below the input directory is relative_path
// (its levels joined by "/"; bare_name is the last of them).
//
// - A pattern with none of "*", "?", "[" and no separator is compared with
//   bare_name byte for byte.
// - A pattern with "*", "?" or "[" and no separator is matched against
//   bare_name, and also matches its own text exactly, so "[old]" still
//   leaves out an entry named "[old]".
// - A pattern with a separator ("/", and "\\" too when backslash_separates)
//   is matched level by level against relative_path from its top: "raw/*.wav"
//   matches "raw/a.wav" and not "x/raw/a.wav" nor "raw/x/a.wav". Separators
//   at its start are dropped ("/raw" is the entry "raw" at the top, file or
//   directory); separators at its end make it match a directory only
//   ("raw/" is the directory "raw" at the top); a run of them counts as one.
//   Each level also matches its own text exactly. A pattern of separators
//   only matches nothing.
//
// Within a level, "*" matches any run of characters (a leading "." too),
// "?" exactly one character, and "[...]" one character of a set: members
// "a", ranges "a-z", negated with "!" or "^" first; a "]" first is a member
// and a "-" first or last is a member. A "[" with no "]" after it in its
// level is an ordinary character. None of them ever matches a separator,
// and "**" is no more than "*". A character is one well-formed UTF-8
// sequence, or else a single byte; ranges compare code points. "\\" is
// never an escape. Letter case always counts.
//
// The caller asks about each directory as the walk meets it and does not
// enter one that matches: what lies below it is never asked about. Runs in
// time proportional to the pattern's length times the name's, without
// allocating.
bool ignore_pattern_matches(const char* pattern, const char* bare_name, const char* relative_path,
                            bool is_directory, bool backslash_separates);

}  // namespace blobsmith

#endif  // BLOBSMITH_PACK_IGNORE_MATCH_H_
