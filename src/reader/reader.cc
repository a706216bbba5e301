// The run-time reader: opening, closing, lookups and reads of the C
// interface of blobsmith/reader.h. An open pack is one record in storage
// the caller gave or in one allocation: the record, the index of its named
// entries (reader/pack_index.h) and a copy of the entry table (unless the
// pack is in memory). Nothing changes after the open, so any number of
// threads may look up and read at once.
#include "blobsmith/reader.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "format/pack_format.h"
#include "format/pack_head.h"
#include "reader/pack_index.h"
#include "reader/pack_record.h"
#include "reader/reader_file.h"

namespace blobsmith {

namespace {

constexpr size_t FIXED_STORAGE = 320;
constexpr size_t STORAGE_PER_ENTRY = PACK_ENTRY_SIZE + sizeof(uint16_t);
static_assert(sizeof(blobsmith_pack) + alignof(blobsmith_pack) - 1 <= FIXED_STORAGE,
              "BLOBSMITH_STORAGE_SIZE must hold the record");
static_assert(BLOBSMITH_STORAGE_SIZE(1) == FIXED_STORAGE + STORAGE_PER_ENTRY,
              "the header's formula and the reader's agree");

int64_t read_memory(void* context, const uint64_t offset, void* buffer, const size_t length) {
  return static_cast<int64_t>(read_memory_span(context, offset, buffer, length));
}

size_t read_through_io(void* context, const uint64_t offset, void* into, const size_t length) {
  const blobsmith_io* io = static_cast<const blobsmith_io*>(context);
  const int64_t got = io->read_at(io->context, offset, into, length);
  return got < 0 || static_cast<uint64_t>(got) > length ? 0 : static_cast<size_t>(got);
}

void* allocate_with_malloc(void* /*context*/, const size_t size) { return std::malloc(size); }
void release_with_free(void* /*context*/, void* block) { std::free(block); }

struct MemberSpan {
  uint64_t start;
  uint32_t size;
  bool inside;  // the bytes lie in the data area, before the checksum word
};

MemberSpan member_span(const blobsmith_pack* pack, const int32_t index) {
  const unsigned char* image = entry_image(pack, index);
  const int32_t stored = static_cast<int32_t>(get_u32_le(image + ENTRY_BYTE_SIZE_AT));
  MemberSpan span{uint64_t{get_u32_le(image + ENTRY_START_BLOCK_AT)} * PACK_BLOCK_SIZE,
                  stored > 0 ? static_cast<uint32_t>(stored) : 0u, true};
  // An entry pointing elsewhere would hand out header, table or checksum bytes.
  if (span.size > 0) {
    span.inside = span.start >= PACK_DATA_OFFSET && pack->io.size >= PACK_CHECKSUM_SIZE &&
                  span.start + span.size <= pack->io.size - PACK_CHECKSUM_SIZE;
  }
  return span;
}

// True when storage can be used as it stands: none at all, caller memory
// that is there whenever a size is given, and an allocator only with both of
// its functions (a block it gives must be given back at close).
bool storage_usable(const blobsmith_storage* storage) {
  if (storage == nullptr) return true;
  if (storage->memory == nullptr && storage->size != 0) return false;
  const blobsmith_allocator* allocator = storage->allocator;
  return allocator == nullptr || (allocator->allocate != nullptr && allocator->release != nullptr);
}

// Where the record goes: in the caller's memory, aligned, or one block from
// the allocator. Returns nullptr with *status set when there is none.
blobsmith_pack* place_record(const blobsmith_storage* storage, const int32_t count, int* status) {
  const size_t needed = blobsmith_storage_size(count);
  void* memory = nullptr;
  blobsmith_allocator allocator{allocate_with_malloc, release_with_free, nullptr};
  if (storage != nullptr && storage->memory != nullptr) {
    if (storage->size < needed) {
      *status = BLOBSMITH_ERROR_STORAGE;
      return nullptr;
    }
    memory = storage->memory;
  } else {
    if (storage != nullptr && storage->allocator != nullptr) allocator = *storage->allocator;
    memory = allocator.allocate(allocator.context, needed);
    if (memory == nullptr) {
      *status = BLOBSMITH_ERROR_NO_MEMORY;
      return nullptr;
    }
  }
  const uintptr_t address = reinterpret_cast<uintptr_t>(memory);
  const uintptr_t misalignment = address % alignof(blobsmith_pack);
  unsigned char* start = static_cast<unsigned char*>(memory) +
                         (misalignment == 0 ? 0 : alignof(blobsmith_pack) - misalignment);
  blobsmith_pack* pack = new (start) blobsmith_pack{};
  pack->allocation = storage != nullptr && storage->memory != nullptr ? nullptr : memory;
  pack->allocator = allocator;
  unsigned char* after = start + sizeof(blobsmith_pack);
  pack->order = reinterpret_cast<uint16_t*>(after);
  pack->table = after + static_cast<size_t>(count) * sizeof(uint16_t);
  return pack;
}

void release_record(blobsmith_pack* pack) {
  if (pack->allocation != nullptr)
    pack->allocator.release(pack->allocator.context, pack->allocation);
}

// The reader's status for what the gate finds in a pack's head: short_status
// for a head that could not be read whole.
int head_status(const PackHead& head, const int short_status) {
  switch (check_pack_header(head)) {
    case PACK_HEADER_SHORT:
      return short_status;
    case PACK_HEADER_NOT_A_PACK:
      return BLOBSMITH_ERROR_NOT_A_PACK;
    case PACK_HEADER_ENTRY_COUNT:
      return BLOBSMITH_ERROR_ENTRY_COUNT;
    case PACK_HEADER_SOUND:
      break;
  }
  return BLOBSMITH_OK;
}

// Opens a pack read through io (image when it lies in memory).
int open_pack(const blobsmith_io& io, const unsigned char* image, const blobsmith_storage* storage,
              blobsmith_pack** result) {
  const ByteSource source{read_through_io, const_cast<blobsmith_io*>(&io)};
  PackHead head;
  read_pack_head(source, &head);
  const int checked = head_status(
      head, io.size < PACK_HEADER_SIZE ? BLOBSMITH_ERROR_TRUNCATED : BLOBSMITH_ERROR_READ);
  if (checked != BLOBSMITH_OK) return checked;
  const int32_t count = head.header.entry_count;
  if (io.size < PACK_TABLE_OFFSET + static_cast<uint64_t>(count) * PACK_ENTRY_SIZE) {
    return BLOBSMITH_ERROR_TRUNCATED;
  }
  int status = BLOBSMITH_OK;
  blobsmith_pack* pack = place_record(storage, count, &status);
  if (pack == nullptr) return status;
  pack->io = io;
  pack->image = image;
  pack->count = count;
  if (image != nullptr) {
    pack->table = image + PACK_TABLE_OFFSET;
  } else if (read_pack_table(source, count, const_cast<unsigned char*>(pack->table)) != count) {
    release_record(pack);
    return BLOBSMITH_ERROR_READ;
  }
  std::memcpy(pack->machine, head.header.machine, HEADER_MACHINE_SIZE);
  std::memcpy(pack->stamps, head.header.date_stamp, HEADER_DATE_STAMP_SIZE);
  std::memcpy(pack->stamps + HEADER_DATE_STAMP_SIZE, head.header.time_stamp,
              HEADER_TIME_STAMP_SIZE);
  build_index(pack);
  *result = pack;
  return BLOBSMITH_OK;
}

}  // namespace

}  // namespace blobsmith

using namespace blobsmith;  // NOLINT: the C interface below implements this namespace's reader

extern "C" {

size_t blobsmith_storage_size(const int32_t entry_count) {
  if (!entry_count_usable(entry_count)) return 0;
  return FIXED_STORAGE + STORAGE_PER_ENTRY * static_cast<size_t>(entry_count);
}

int blobsmith_entry_count_of(const void* header, const size_t length, int32_t* entry_count) {
  if (header == nullptr || entry_count == nullptr) return BLOBSMITH_ERROR_ARGUMENT;
  if (length < PACK_HEADER_SIZE) return BLOBSMITH_ERROR_TRUNCATED;
  PackHead head;
  const MemorySpan span{static_cast<const unsigned char*>(header), PACK_HEADER_SIZE};
  read_pack_head(ByteSource{read_memory_span, const_cast<MemorySpan*>(&span)}, &head);
  const int checked = head_status(head, BLOBSMITH_ERROR_TRUNCATED);
  if (checked != BLOBSMITH_OK) return checked;
  *entry_count = head.header.entry_count;
  return BLOBSMITH_OK;
}

int blobsmith_open_memory(const void* image, const size_t length, const blobsmith_storage* storage,
                          blobsmith_pack** pack) {
  if (image == nullptr || pack == nullptr || !storage_usable(storage)) {
    return BLOBSMITH_ERROR_ARGUMENT;
  }
  // Until the record holds the span, reads go through this one.
  MemorySpan span{static_cast<const unsigned char*>(image), length};
  const blobsmith_io io{read_memory, length, &span};
  const int status = open_pack(io, span.bytes, storage, pack);
  if (status == BLOBSMITH_OK) {
    (*pack)->span = span;
    (*pack)->io.context = &(*pack)->span;
  }
  return status;
}

int blobsmith_open_io(const blobsmith_io* io, const blobsmith_storage* storage,
                      blobsmith_pack** pack) {
  if (io == nullptr || io->read_at == nullptr || pack == nullptr || !storage_usable(storage)) {
    return BLOBSMITH_ERROR_ARGUMENT;
  }
  return open_pack(*io, nullptr, storage, pack);
}

int blobsmith_open_file(const char* path, const blobsmith_storage* storage, blobsmith_pack** pack) {
  // Refused before the file is opened, so a refusal holds no descriptor.
  if (path == nullptr || pack == nullptr || !storage_usable(storage)) {
    return BLOBSMITH_ERROR_ARGUMENT;
  }
  ReaderFile file;
  if (reader_file_open(path, &file) != 0) return BLOBSMITH_ERROR_OPEN;
  // The file record is copied into the pack's record; until then the io
  // context is the local one.
  blobsmith_io io{reader_file_read_at, file.size, &file};
  const int status = open_pack(io, nullptr, storage, pack);
  if (status != BLOBSMITH_OK) {
    reader_file_close(&file);
    return status;
  }
  (*pack)->file = file;
  (*pack)->owns_file = true;
  (*pack)->io.context = &(*pack)->file;
  return BLOBSMITH_OK;
}

void blobsmith_close(blobsmith_pack* pack) {
  if (pack == nullptr) return;
  if (pack->owns_file) reader_file_close(&pack->file);
  release_record(pack);
}

int32_t blobsmith_entry_count(const blobsmith_pack* pack) {
  return pack == nullptr ? BLOBSMITH_ERROR_ARGUMENT : pack->count;
}

int blobsmith_pack_info_of(const blobsmith_pack* pack, blobsmith_pack_info* info) {
  if (pack == nullptr || info == nullptr) return BLOBSMITH_ERROR_ARGUMENT;
  std::memset(info, 0, sizeof *info);
  info->entry_count = pack->count;
  std::memcpy(info->machine, pack->machine, HEADER_MACHINE_SIZE - 1);
  std::memcpy(info->date, pack->stamps, HEADER_DATE_STAMP_SIZE);
  std::memcpy(info->time, pack->stamps + HEADER_DATE_STAMP_SIZE, HEADER_TIME_STAMP_SIZE);
  return BLOBSMITH_OK;
}

int32_t blobsmith_find(const blobsmith_pack* pack, const char* name) {
  if (pack == nullptr || name == nullptr) return BLOBSMITH_ERROR_ARGUMENT;
  return find_member(pack, name, true);
}

int32_t blobsmith_find_exact(const blobsmith_pack* pack, const char* name) {
  if (pack == nullptr || name == nullptr) return BLOBSMITH_ERROR_ARGUMENT;
  return find_member(pack, name, false);
}

int blobsmith_member_at(const blobsmith_pack* pack, const int32_t index, blobsmith_member* member) {
  if (pack == nullptr || member == nullptr) return BLOBSMITH_ERROR_ARGUMENT;
  if (index < 0 || index >= pack->count) return BLOBSMITH_ERROR_INDEX;
  const char* name = entry_name(pack, index);
  const bool terminated = std::memchr(name, 0, PACK_NAME_FIELD_SIZE) != nullptr;
  std::memcpy(member->name, name, PACK_NAME_MAX_LENGTH);
  member->name[PACK_NAME_MAX_LENGTH] = '\0';
  const MemberSpan span = member_span(pack, index);
  member->size = span.size;
  member->offset = span.start;
  return terminated && span.inside ? BLOBSMITH_OK : BLOBSMITH_ERROR_DAMAGED;
}

int64_t blobsmith_read(const blobsmith_pack* pack, const int32_t index, const uint64_t offset,
                       void* buffer, const size_t length) {
  if (pack == nullptr || (buffer == nullptr && length > 0)) return BLOBSMITH_ERROR_ARGUMENT;
  if (index < 0 || index >= pack->count) return BLOBSMITH_ERROR_INDEX;
  const MemberSpan span = member_span(pack, index);
  if (offset > span.size) return BLOBSMITH_ERROR_RANGE;
  const uint64_t left = span.size - offset;
  const size_t wanted = left < length ? static_cast<size_t>(left) : length;
  if (wanted == 0) return 0;
  if (!span.inside) return BLOBSMITH_ERROR_DAMAGED;
  const int64_t got = pack->io.read_at(pack->io.context, span.start + offset, buffer, wanted);
  return got == static_cast<int64_t>(wanted) ? got : BLOBSMITH_ERROR_READ;
}

int64_t blobsmith_read_member(const blobsmith_pack* pack, const int32_t index, void* buffer,
                              const size_t capacity) {
  if (pack == nullptr || (buffer == nullptr && capacity > 0)) return BLOBSMITH_ERROR_ARGUMENT;
  if (index < 0 || index >= pack->count) return BLOBSMITH_ERROR_INDEX;
  // A member that is not in the pack is said to be so, whatever buffer it
  // would need.
  const MemberSpan span = member_span(pack, index);
  if (!span.inside) return BLOBSMITH_ERROR_DAMAGED;
  if (capacity < span.size) return BLOBSMITH_ERROR_BUFFER;
  return blobsmith_read(pack, index, 0, buffer, span.size);
}

int blobsmith_member_data(const blobsmith_pack* pack, const int32_t index, const void** data,
                          size_t* size) {
  if (pack == nullptr || data == nullptr || size == nullptr) return BLOBSMITH_ERROR_ARGUMENT;
  if (pack->image == nullptr) return BLOBSMITH_ERROR_NOT_IN_MEMORY;
  if (index < 0 || index >= pack->count) return BLOBSMITH_ERROR_INDEX;
  const MemberSpan span = member_span(pack, index);
  if (!span.inside) return BLOBSMITH_ERROR_DAMAGED;
  *data = span.size > 0 ? pack->image + span.start : pack->image;
  *size = span.size;
  return BLOBSMITH_OK;
}

const char* blobsmith_status_text(const int status) {
  switch (status) {
    case BLOBSMITH_OK:
      return "success";
    case BLOBSMITH_ERROR_ARGUMENT:
      return "a null pointer or an argument out of range";
    case BLOBSMITH_ERROR_OPEN:
      return "the file cannot be opened as a regular file";
    case BLOBSMITH_ERROR_READ:
      return "a read failed or came up short";
    case BLOBSMITH_ERROR_NOT_A_PACK:
      return "not a pack file";
    case BLOBSMITH_ERROR_ENTRY_COUNT:
      return "entry count outside 1 to 2047";
    case BLOBSMITH_ERROR_TRUNCATED:
      return "the pack ends inside its header or table";
    case BLOBSMITH_ERROR_NO_MEMORY:
      return "no memory for the pack's index";
    case BLOBSMITH_ERROR_STORAGE:
      return "the storage given is too small";
    case BLOBSMITH_ERROR_NOT_FOUND:
      return "no member of that name";
    case BLOBSMITH_ERROR_INDEX:
      return "no entry of that index";
    case BLOBSMITH_ERROR_RANGE:
      return "an offset beyond the member's end";
    case BLOBSMITH_ERROR_DAMAGED:
      return "the entry's name or bytes lie outside the pack";
    case BLOBSMITH_ERROR_BUFFER:
      return "the buffer cannot hold the whole member";
    case BLOBSMITH_ERROR_NOT_IN_MEMORY:
      return "the pack was not opened from memory";
    case BLOBSMITH_ERROR_CHECKSUM:
      return "the checksum is not the stored one, or there is none";
    default:
      return "unknown status";
  }
}

uint32_t blobsmith_version(void) { return BLOBSMITH_VERSION; }

}  // extern "C"
