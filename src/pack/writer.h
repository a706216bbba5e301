// The pack writer: turns a sorted NameTable into a complete pack file.
#ifndef BLOBSMITH_PACK_WRITER_H_
#define BLOBSMITH_PACK_WRITER_H_

#include "pack/collect.h"
#include "pack/output.h"
#include "platform/local_time.h"

namespace blobsmith {

constexpr int MACHINE_FLAG_SIZE = 8;  // 7 characters and a terminator

// How write_pack ended; the values are the pack command's exit statuses.
enum WriteOutcome {
  PACK_WHOLE = 0,           // every source packed
  PACK_WHOLE_REPORTED = 1,  // the pack is whole, but a source was reported
  PACK_NOT_WHOLE = 2,       // the pack could not be written whole
};

// Process-wide: the machine flag stored in the header, initially "q5";
// set by the pack command's option walk.
extern char g_machine_flag[MACHINE_FLAG_SIZE];

// Writes into the output's open temporary file the header (stamped with
// stamp, holding count entries and the machine flag), the reserved blocks
// and the entry table, copies the files of the first count slots into whole
// blocks, rewrites the used entries and appends the checksum. Slots are
// rewritten in place with "\\" between levels.
// A source that cannot be opened, is too large for the format or is the
// pack itself is reported and gets an all-zero entry; a source that reads
// short is reported once and zero-filled; the work goes on. A failed write
// of the pack, a failed checksum pass, or a source that is the very file the
// pack will replace ends the work.
// With threads above 1 the members are packed by that many threads
// (pack/pack_pool.h), with when_worth set only once the members met are
// worth them (worth_threads); the pack and the lines are the same.
// Returns one of the outcomes above; PACK_NOT_WHOLE after printing its line.
// REQUIRES: 1 <= count <= PACK_MAX_USABLE_ENTRIES; output is open.
WriteOutcome write_pack(const PackOutput& output, int prefix_len, NameTable* table, int count,
                        const LocalTime& stamp, int threads = 1, bool when_worth = false);

}  // namespace blobsmith

#endif  // BLOBSMITH_PACK_WRITER_H_
