// Packing one member, in the three steps the writer takes for it: opening
// and checking its source, placing it at an offset of the pack, and copying
// its bytes there. The steps print nothing: their lines go to the member's
// own lines, printed in member order by the writer.
#ifndef BLOBSMITH_PACK_PACK_MEMBER_H_
#define BLOBSMITH_PACK_PACK_MEMBER_H_

#include <cstdint>
#include <string>

#include "format/pack_format.h"
#include "pack/collect.h"
#include "pack/output.h"
#include "platform/io.h"

namespace blobsmith {

// Outcomes of packing one member.
enum MemberOutcome { MEMBER_PACKED, MEMBER_REPORTED, MEMBER_FATAL };

// A member's source while it is packed.
struct MemberSource {
  IoFile* file;  // open between open_member and copy_member
  FileStatus status;
  const char* relative;  // the slot from prefix_len on, with "\\" between levels
  char open_path[PATH_BUFFER_SIZE];
};

// Opens the source of one slot, rewriting the slot with "\\" between levels,
// and checks that it is neither the pack being written nor the file the pack
// will replace. MEMBER_PACKED leaves source->file open; any other outcome
// closes it and adds its line (MEMBER_FATAL: the source is the file the pack
// replaces, and nothing may be written).
MemberOutcome open_member(const PackOutput& output, char* slot, PathKind kind, int prefix_len,
                          MemberSource* source, std::string* lines);

// Fills entry for the member placed at position (bytes from the start of
// the pack), when its size and end fit the format's 32-bit words; otherwise
// closes the source and adds its line.
MemberOutcome place_member(MemberSource* source, int64_t position, PackEntry* entry,
                           std::string* lines);

// Copies the placed member's bytes into the pack, at the pack's position
// (position -1) or at position with the positional calls, folding the
// blocks written into fold, and closes the source.
MemberOutcome copy_member(MemberSource* source, const PackOutput& output, const PackEntry& entry,
                          int64_t position, uint32_t* fold, std::string* lines);

// Reads the placed member's bytes into blocks (its whole blocks, zeros
// after its last byte and after a short read), folds them into fold and
// closes the source: a small member goes to the pack with its neighbours in
// one write.
// REQUIRES: blocks holds blocks_for_size(entry.byte_size) whole blocks.
MemberOutcome read_member(MemberSource* source, const PackEntry& entry, unsigned char* blocks,
                          uint32_t* fold, std::string* lines);

}  // namespace blobsmith

#endif  // BLOBSMITH_PACK_PACK_MEMBER_H_
