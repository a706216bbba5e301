// Packing the members with several threads. Every thread takes the next
// member in table order, opens its source and checks it; offsets are then
// given out in member order as each source's size is known, so the pack is
// laid out exactly as one thread lays it out, and each thread copies its
// member to its offset with the positional calls. At most one source per
// thread is open at once. Each member's blocks are folded on their own and
// the folds are joined in member order; a member's lines are printed once
// every member before it is done, so they come out in member order too.
#ifndef BLOBSMITH_PACK_PACK_POOL_H_
#define BLOBSMITH_PACK_PACK_POOL_H_

#include <cstdint>

#include "pack/collect.h"
#include "pack/output.h"

namespace blobsmith {

// How a run of members ended, as the writer counts it.
enum MembersOutcome {
  MEMBERS_PACKED = 0,    // every member packed
  MEMBERS_REPORTED = 1,  // a member was reported
  MEMBERS_FATAL = 2,     // a member ended the work: nothing may be kept
};

// What the members left for the rest of the pack: each member's encoded
// entry in images (PACK_ENTRY_SIZE bytes each, zero for a member not
// packed), the fold from 0 of every byte written after the table, and the
// offset where the data ends.
struct MembersWritten {
  unsigned char* images;
  uint32_t data_fold;
  int64_t data_end;
};

// Packs the first count slots, from offset PACK_DATA_OFFSET on, with the
// calling thread and threads - 1 more (fewer when the system refuses to
// start them); the others block the interruptions the calling thread
// handles. With when_worth, the others start only once the members and the
// bytes placed are worth them (cli/jobs.h), so a small tree is packed by
// the calling thread alone. After a member that ends the work, no
// later member's line is printed.
MembersOutcome pack_members_in_parallel(const PackOutput& output, int prefix_len, NameTable* table,
                                        int count, int threads, bool when_worth,
                                        MembersWritten* written);

}  // namespace blobsmith

#endif  // BLOBSMITH_PACK_PACK_POOL_H_
