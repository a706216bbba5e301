// The pack writer.
#include "pack/writer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cli/lines.h"
#include "format/printable.h"
#include "pack/checksum_pass.h"
#include "pack/pack_member.h"
#include "pack/pack_pool.h"
#include "pack/stamp.h"

namespace blobsmith {

char g_machine_flag[MACHINE_FLAG_SIZE] = "q5";

namespace {

constexpr size_t TABLE_SIZE = size_t{PACK_MAX_ENTRIES} * PACK_ENTRY_SIZE;

// Writes what precedes the data: header, reserved blocks, zeroed table; at
// the pack's position, or at their offsets with the positional calls when
// the members are written that way too.
bool write_layout(IoFile* out, const int count, const LocalTime& stamp,
                  const unsigned char* zero_table, const bool positional) {
  PackHeader header = make_header();
  stamp_header(stamp, &header);
  header.entry_count = count;
  std::memcpy(header.machine, g_machine_flag, HEADER_MACHINE_SIZE - 1);
  unsigned char header_image[PACK_HEADER_SIZE];
  encode_header(header, header_image);
  if (positional) {
    return io_write_at(out, header_image, sizeof header_image, 0) == 0 &&
           io_write_at(out, zero_table, size_t{PACK_BLOCK_SIZE} * PACK_RESERVED_BLOCKS,
                       PACK_HEADER_SIZE) == 0 &&
           io_write_at(out, zero_table, TABLE_SIZE, PACK_TABLE_OFFSET) == 0;
  }
  return io_write(header_image, sizeof header_image, 1, out) == 1 &&
         io_write(zero_table, PACK_BLOCK_SIZE, PACK_RESERVED_BLOCKS, out) == PACK_RESERVED_BLOCKS &&
         io_write(zero_table, PACK_ENTRY_SIZE, PACK_MAX_ENTRIES, out) == PACK_MAX_ENTRIES;
}

// Packs the members one after another at the pack's position, printing
// each member's lines once it is done. Stops after a member that ends the
// work.
MembersOutcome pack_members_in_order(const PackOutput& output, const int prefix_len,
                                     NameTable* table, const int count, MembersWritten* written) {
  MembersOutcome outcome = MEMBERS_PACKED;
  for (int i = 0; i < count && outcome != MEMBERS_FATAL; ++i) {
    std::string lines;
    PackEntry entry;
    std::memset(&entry, 0, sizeof entry);
    MemberSource source;
    MemberOutcome member =
        open_member(output, table->slots[i], static_cast<PathKind>(table->kinds[i]), prefix_len,
                    &source, &lines);
    if (member == MEMBER_PACKED)
      member = place_member(&source, io_tell(output.file), &entry, &lines);
    if (member == MEMBER_PACKED) {
      member = copy_member(&source, output, entry, -1, &written->data_fold, &lines);
    }
    print_lines(&lines);
    if (member == MEMBER_FATAL) outcome = MEMBERS_FATAL;
    if (member == MEMBER_REPORTED && outcome == MEMBERS_PACKED) outcome = MEMBERS_REPORTED;
    encode_table_entry(entry, written->images, i);
  }
  return outcome;
}

}  // namespace

WriteOutcome write_pack(const PackOutput& output, const int prefix_len, NameTable* table,
                        const int count, const LocalTime& stamp, const int threads,
                        const bool when_worth) {
  unsigned char* images = static_cast<unsigned char*>(std::calloc(1, TABLE_SIZE));
  if (images == nullptr) {
    std::printf("%s write failed !!!\n", printable(output.name).c_str());
    return PACK_NOT_WHOLE;
  }
  WriteOutcome status = PACK_WHOLE;
  MembersWritten written{images, 0, PACK_DATA_OFFSET};
  const bool parallel = threads > 1 && count > 1;
  if (!write_layout(output.file, count, stamp, images, parallel)) {
    std::printf("%s write failed !!!\n", printable(output.name).c_str());
    status = PACK_NOT_WHOLE;
  } else {
    const MembersOutcome members =
        parallel ? pack_members_in_parallel(output, prefix_len, table, count, threads, when_worth,
                                            &written)
                 : pack_members_in_order(output, prefix_len, table, count, &written);
    static_assert(static_cast<int>(MEMBERS_REPORTED) == static_cast<int>(PACK_WHOLE_REPORTED) &&
                      static_cast<int>(MEMBERS_FATAL) == static_cast<int>(PACK_NOT_WHOLE),
                  "the members' outcomes are the writer's");
    status = static_cast<WriteOutcome>(members);
  }
  if (status != PACK_NOT_WHOLE && (io_seek(output.file, PACK_TABLE_OFFSET, SEEK_SET) != 0 ||
                                   io_write(images, PACK_ENTRY_SIZE, static_cast<size_t>(count),
                                            output.file) != static_cast<size_t>(count))) {
    std::printf("%s write failed !!!\n", printable(output.name).c_str());
    status = PACK_NOT_WHOLE;
  }
  std::free(images);
  if (status != PACK_NOT_WHOLE && append_checksum(output.file, written.data_fold) != CHECKSUM_OK) {
    status = PACK_NOT_WHOLE;
  }
  return status;
}

}  // namespace blobsmith
