// The extractor: recreates a pack file's members under an output directory.
#ifndef BLOBSMITH_UNPACK_EXTRACT_H_
#define BLOBSMITH_UNPACK_EXTRACT_H_

namespace blobsmith {

// How extract_pack ended; the values are the unpack command's exit statuses.
enum ExtractOutcome {
  EXTRACTED = 0,             // every member written
  EXTRACTED_REPORTED = 1,    // a member failed, with its line
  NOTHING_EXTRACTED = 2,     // the pack or the output directory could not be used
};

// Recreates every member of the pack file at pack_path under out_dir,
// creating directories as the names require; reports each failure as one
// line on standard output and goes on with the next member.
// Never writes outside out_dir: out_dir is opened once, each level of a
// member's name is entered through the directory above it, refusing a
// symbolic link or special file there, and the member is made inside its
// directory by name; a name with a ".." level, a leading separator or a
// drive prefix is refused. Never writes through a file with other names,
// nor into the pack being read.
// Returns NOTHING_EXTRACTED when out_dir is empty or cannot be made, the
// pack cannot be opened, its header cannot be read or its entry count is
// outside 1 to 2047; EXTRACTED_REPORTED after any other failure; EXTRACTED
// otherwise.
ExtractOutcome extract_pack(const char* pack_path, const char* out_dir);

}  // namespace blobsmith

#endif  // BLOBSMITH_UNPACK_EXTRACT_H_
