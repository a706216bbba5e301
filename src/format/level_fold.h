// Whether level names could name one directory: the file system decides,
// so this errs on the side of yes. Not part of the reader's rule.
#ifndef BLOBSMITH_FORMAT_LEVEL_FOLD_H_
#define BLOBSMITH_FORMAT_LEVEL_FOLD_H_

#include <string>
#include <vector>

namespace blobsmith {

// True when two of the names (single levels, each at most
// PACK_NAME_MAX_LENGTH bytes) could name one file or directory on some file
// system: their file keys (name_file_key) are equal, or one of them is not
// ASCII (Unicode case folding and normalization are the file system's own).
bool levels_may_fold_together(const std::vector<std::string>& levels);

}  // namespace blobsmith

#endif  // BLOBSMITH_FORMAT_LEVEL_FOLD_H_
