// Extracting with several threads. The work is shared out by directory:
// one thread takes a directory of the output tree and, in table order,
// makes the files of the members that lie directly in it and the levels
// below it that later members need, then hands each of those levels on as
// a directory of its own. Whatever two members of one directory could both
// land on (a file, a level, names a file system folds together) is thus
// met by one thread in table order, so the earlier member stands as it does
// with one thread; two level names that open the same directory are worked
// on as one. Each thread enters levels through directories it holds open,
// and every step refuses what the single-threaded extractor refuses.
// Lines are kept per member and printed once every member before it is
// done, so they come out in member order.
#ifndef BLOBSMITH_UNPACK_EXTRACT_POOL_H_
#define BLOBSMITH_UNPACK_EXTRACT_POOL_H_

#include <cstdint>
#include <vector>

#include "unpack/extraction.h"

namespace blobsmith {

// Extracts the chosen members of the count entries in x->table with the
// calling thread and threads - 1 more (fewer when the system refuses to
// start them); the others block the interruptions. Returns false when any
// member failed.
bool extract_in_parallel(Extraction* x, int32_t count, const std::vector<bool>& chosen,
                         int threads);

}  // namespace blobsmith

#endif  // BLOBSMITH_UNPACK_EXTRACT_POOL_H_
