// The pack writer: turns a sorted NameTable into a complete pack file.
#ifndef BLOBSMITH_PACK_WRITER_H_
#define BLOBSMITH_PACK_WRITER_H_

#include "format/pack_format.h"
#include "pack/collect.h"

constexpr int MACHINE_FLAG_SIZE = 8;  // 7 characters and a terminator

// Process-wide: the machine flag stored in the header, initially "q5";
// set by the pack command's option walk.
extern char g_machine_flag[MACHINE_FLAG_SIZE];

// Writes the header, the reserved blocks and the entry table, copies each of
// the first count slots' files into whole blocks, rewrites the used entries,
// closes the file and appends the checksum. Slots are rewritten in place
// with "\\" between levels. A source that cannot be opened, or whose size
// would take a member or the pack to 2 GiB, is reported and gets an all-zero
// entry; every other failure is reported and the work goes on.
// Returns -1 when the entry array cannot be allocated or out_path cannot be
// opened; otherwise the writer's status (0, or -1 after any failure) plus
// the status of append_checksum.
// REQUIRES: 1 <= count <= PACK_MAX_USABLE_ENTRIES.
int write_pack(const char* out_path, int prefix_len, NameTable* table, int count);

#endif  // BLOBSMITH_PACK_WRITER_H_
