// The header, the reserved blocks and the entry table, read from a source.
#include "format/pack_head.h"

#include <cstring>

namespace blobsmith {

size_t read_memory_span(void* span, const uint64_t offset, void* into, const size_t length) {
  const MemorySpan& memory = *static_cast<const MemorySpan*>(span);
  if (offset >= memory.length) return 0;
  const uint64_t available = memory.length - offset;
  const size_t copied = available < length ? static_cast<size_t>(available) : length;
  std::memcpy(into, memory.bytes + offset, copied);
  return copied;
}

void read_pack_head(const ByteSource& source, PackHead* head) {
  unsigned char blocks[PACK_TABLE_OFFSET];
  const size_t got = source.read_at(source.context, 0, blocks, sizeof blocks);
  head->header_whole = got >= PACK_HEADER_SIZE;
  std::memset(head->header_image, 0, sizeof head->header_image);
  if (head->header_whole) std::memcpy(head->header_image, blocks, PACK_HEADER_SIZE);
  decode_header(head->header_image, &head->header);
  head->reserved_whole =
      head->header_whole ? static_cast<int32_t>((got - PACK_HEADER_SIZE) / PACK_BLOCK_SIZE) : 0;
}

int32_t read_pack_table(const ByteSource& source, const int32_t slots, unsigned char* images) {
  const size_t wanted = static_cast<size_t>(slots) * PACK_ENTRY_SIZE;
  const size_t got = source.read_at(source.context, PACK_TABLE_OFFSET, images, wanted);
  std::memset(images + got, 0, wanted - got);
  return static_cast<int32_t>(got / PACK_ENTRY_SIZE);
}

PackHeaderCheck check_pack_header(const PackHead& head) {
  if (!head.header_whole) return PACK_HEADER_SHORT;
  if (!header_is_pack(head.header)) return PACK_HEADER_NOT_A_PACK;
  if (!entry_count_usable(head.header.entry_count)) return PACK_HEADER_ENTRY_COUNT;
  return PACK_HEADER_SOUND;
}

bool header_is_pack(const PackHeader& header) {
  return std::memcmp(header.magic, PACK_MAGIC, sizeof header.magic) == 0 &&
         header.tail_signature == PACK_TAIL_SIGNATURE;
}

}  // namespace blobsmith
