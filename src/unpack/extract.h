// The extractor: recreates a pack file's members under an output directory.
#ifndef BLOBSMITH_UNPACK_EXTRACT_H_
#define BLOBSMITH_UNPACK_EXTRACT_H_

#include <cstdio>

namespace blobsmith {

// How extract_pack ended; the values are the unpack command's exit statuses.
enum ExtractOutcome {
  EXTRACTED = 0,           // every member written
  EXTRACTED_REPORTED = 1,  // a member failed, with its line
  NOTHING_EXTRACTED = 2,   // the pack or the output directory could not be used
};

// Recreates every member of the pack file at pack_path under out_dir,
// creating directories as the names require; reports each failure as one
// line on standard output and goes on with the next member.
// Never writes outside out_dir: out_dir is opened once, each level of a
// member's name is entered through the directory above it, refusing a
// symbolic link or special file there, and the member is made inside its
// directory by name; a name with a ".." level, a leading separator or a
// drive prefix is refused. Never writes through a file with other names,
// nor into the pack being read. Where windows_name_rules() holds, a member
// with a Windows hazard (one whose name is merely not UTF-8 aside) or one
// that would land on an earlier member's file or level by the rule's file
// keys is refused before anything is made for it.
// Returns NOTHING_EXTRACTED when out_dir is empty or cannot be made, the
// pack cannot be opened, its header cannot be read or its entry count is
// outside 1 to 2047; EXTRACTED_REPORTED after any other failure; EXTRACTED
// otherwise.
// With only given, just the members that only's names ask for are
// extracted (choose_members, directories allowed); a name that asks for
// none gets one line and makes the run EXTRACTED_REPORTED.
struct MemberChoice {
  const char* const* names;
  int count;
};
// jobs is the number of threads ("-j"), or 0 for the default (cli/jobs.h);
// with more than one, unpack/extract_pool.h says how the work is shared.
// What is made and printed is the same.
ExtractOutcome extract_pack(const char* pack_path, const char* out_dir,
                            const MemberChoice* only = nullptr, int jobs = 1);

// Writes the bytes of the one member of the pack at pack_path that name
// names (choose_members, no directories) to data, and nothing else.
// Returns NOTHING_EXTRACTED when the pack cannot be used,
// EXTRACTED_REPORTED when no member has that name, the member runs past the
// end of the pack or data cannot be written, EXTRACTED otherwise; each
// failure prints its line.
ExtractOutcome print_member(const char* pack_path, const char* name, std::FILE* data);

}  // namespace blobsmith

#endif  // BLOBSMITH_UNPACK_EXTRACT_H_
