// The record of an open pack, shared by the reader's calls. It lies in the
// caller's storage or in the one block an open takes, followed by the
// index (order) and, unless the pack is in memory, a copy of the table.
// Nothing in it changes after the open.
#ifndef BLOBSMITH_READER_PACK_RECORD_H_
#define BLOBSMITH_READER_PACK_RECORD_H_

#include <cstdint>

#include "blobsmith/reader.h"
#include "format/pack_format.h"
#include "format/pack_head.h"
#include "reader/reader_file.h"

struct blobsmith_pack {
  blobsmith_io io;             // every read of the pack
  const unsigned char* image;  // the pack, when opened from memory
  const unsigned char* table;  // count entry images of 64 bytes
  // The named entries (name terminated in its field, not empty) in the
  // order of reader/name_order.h, table order breaking ties: first those
  // whose names are canonical, [0, canonical), then the others.
  uint16_t* order;
  int32_t count;
  int32_t named;
  int32_t canonical;
  // No two names of one part differ first in a directory level that folds
  // alike: every run of names folding alike is contiguous in the order.
  bool plain;
  char machine[blobsmith::HEADER_MACHINE_SIZE];
  char stamps[blobsmith::HEADER_DATE_STAMP_SIZE + blobsmith::HEADER_TIME_STAMP_SIZE];
  blobsmith::MemorySpan span;  // the image, when opened from memory
  blobsmith::ReaderFile file;  // the file, when opened by path
  bool owns_file;
  blobsmith_allocator allocator;  // who gave the allocation
  void* allocation;               // released at close; nullptr for caller storage
};

namespace blobsmith {

inline const unsigned char* entry_image(const blobsmith_pack* pack, const int32_t index) {
  return pack->table + static_cast<size_t>(index) * PACK_ENTRY_SIZE;
}

inline const char* entry_name(const blobsmith_pack* pack, const int32_t index) {
  return reinterpret_cast<const char*>(entry_image(pack, index));
}

// The name of the entry at position k of the order.
inline const char* ordered_name(const blobsmith_pack* pack, const int32_t k) {
  return entry_name(pack, pack->order[k]);
}

}  // namespace blobsmith

#endif  // BLOBSMITH_READER_PACK_RECORD_H_
