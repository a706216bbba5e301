// The pack reader: header and table read once, lookups by name over an
// index in the packer's order, member bytes read from their own blocks.
#include "read/pack_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "format/member_name.h"

namespace {

// Writes name as the packer's order compares it: 'A' to 'Z' as 'a' to 'z',
// "\\" as "/". Returns -1 when name is longer than a stored name can be.
int fold_name(const char* name, char (&key)[PACK_NAME_FIELD_SIZE]) {
  for (int i = 0; i < PACK_NAME_FIELD_SIZE; ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '\\') c = '/';
    key[i] = c;
    if (c == '\0') return 0;
  }
  return -1;
}

// Fills reader->by_name with the named entries and puts them in the
// packer's order. A file written by the packer already stands in that
// order; any other is sorted here, keeping table order among equal names,
// so lookups still work on it.
void build_name_index(PackReader* reader, const bool* terminated) {
  int32_t count = 0;
  bool in_order = true;
  for (int32_t i = 0; i < reader->entry_count; ++i) {
    const PackEntry& entry = reader->entries[i];
    if (!terminated[i] || entry.name[0] == '\0') continue;
    if (count > 0 &&
        compare_name_order(reader->entries[reader->by_name[count - 1]].name, entry.name, true) > 0) {
      in_order = false;
    }
    reader->by_name[count++] = i;
  }
  reader->named_count = count;
  if (!in_order) {
    const PackEntry* entries = reader->entries;
    std::stable_sort(reader->by_name, reader->by_name + count,
                     [entries](const int32_t a, const int32_t b) {
                       return compare_name_order(entries[a].name, entries[b].name, true) < 0;
                     });
  }
  for (int32_t k = 0; k < count; ++k) {
    char key[PACK_NAME_FIELD_SIZE] = {};
    fold_name(reader->entries[reader->by_name[k]].name, key);  // stored names always fit
    std::memcpy(reader->folded_names + static_cast<size_t>(k) * PACK_NAME_FIELD_SIZE, key,
                sizeof key);
  }
}

// True when two names are the same byte for byte, "\\" and "/" alike.
bool same_name(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (*a != *b && !(is_name_separator(*a) && is_name_separator(*b))) return false;
    if (*a == '\0') return true;
  }
}

}  // namespace

int64_t pack_file_length(IoFile* file) {
  if (io_seek(file, 0, SEEK_END) != 0) return -1;
  const int64_t length = io_tell(file);
  if (io_seek(file, 0, SEEK_SET) != 0) return -1;
  return length;
}

int32_t pack_read_header(IoFile* file, unsigned char (&image)[PACK_HEADER_SIZE],
                         PackHeader* header) {
  std::memset(image, 0, sizeof image);
  int32_t status = PACK_READ_OK;
  if (io_seek(file, 0, SEEK_SET) != 0 ||
      io_read(image, 1, sizeof image, file) != sizeof image) {
    // A partial header is not acted on: it reads as all zero.
    std::memset(image, 0, sizeof image);
    status = PACK_READ_SHORT_HEADER;
  }
  decode_header(image, header);
  return status;
}

int32_t pack_read_table_images(IoFile* file, const int32_t slot_count, unsigned char* images) {
  const size_t wanted = static_cast<size_t>(slot_count) * PACK_ENTRY_SIZE;
  std::memset(images, 0, wanted);
  if (io_seek(file, PACK_TABLE_OFFSET, SEEK_SET) != 0) return 0;
  const size_t got = io_read(images, 1, wanted, file);
  const size_t whole = got / PACK_ENTRY_SIZE;
  // A slot read in part counts as not read: its bytes are cleared.
  std::memset(images + whole * PACK_ENTRY_SIZE, 0, got - whole * PACK_ENTRY_SIZE);
  return static_cast<int32_t>(whole);
}

bool pack_entry_is_zeroed(const PackEntry& entry) {
  return entry.name[0] == '\0' && entry.start_block == 0 && entry.byte_size == 0;
}

int64_t pack_entry_offset(const PackEntry& entry) {
  return int64_t{entry.start_block} * PACK_BLOCK_SIZE;
}

int32_t pack_reader_open(const char* path, PackReader* reader) {
  std::memset(reader, 0, sizeof *reader);
  IoFile* file = io_open(path, "rb");
  if (file == nullptr) return PACK_READ_OPEN_FAILED;
  const int64_t file_size = pack_file_length(file);

  unsigned char header_image[PACK_HEADER_SIZE];
  PackHeader header;
  int32_t status = pack_read_header(file, header_image, &header);
  if (status == PACK_READ_OK &&
      (std::memcmp(header.magic, PACK_MAGIC, sizeof header.magic) != 0 ||
       header.tail_signature != PACK_TAIL_SIGNATURE)) {
    status = PACK_READ_NOT_A_PACK;
  }
  if (status == PACK_READ_OK &&
      (header.entry_count < 1 || header.entry_count > PACK_MAX_USABLE_ENTRIES)) {
    status = PACK_READ_BAD_COUNT;
  }
  if (status != PACK_READ_OK) {
    reader->header = header;  // what was read, for the caller's message
    io_close(file);
    return status;
  }

  const int32_t count = header.entry_count;
  const size_t slots = static_cast<size_t>(count);
  unsigned char* images = static_cast<unsigned char*>(std::malloc(slots * PACK_ENTRY_SIZE));
  bool* terminated = static_cast<bool*>(std::calloc(slots, sizeof(bool)));
  PackEntry* entries = static_cast<PackEntry*>(std::calloc(slots, sizeof(PackEntry)));
  int32_t* by_name = static_cast<int32_t*>(std::calloc(slots, sizeof(int32_t)));
  char* folded_names = static_cast<char*>(std::malloc(slots * PACK_NAME_FIELD_SIZE));
  if (images == nullptr || terminated == nullptr || entries == nullptr || by_name == nullptr ||
      folded_names == nullptr) {
    status = PACK_READ_NO_MEMORY;
  } else if (pack_read_table_images(file, count, images) != count) {
    status = PACK_READ_SHORT_TABLE;
  } else {
    for (int32_t i = 0; i < count; ++i) {
      unsigned char image[PACK_ENTRY_SIZE];
      std::memcpy(image, images + static_cast<size_t>(i) * PACK_ENTRY_SIZE, PACK_ENTRY_SIZE);
      terminated[i] = decode_entry(image, &entries[i]) == 0;
    }
    reader->file = file;
    reader->file_size = file_size;
    reader->header = header;
    reader->entry_count = count;
    reader->entries = entries;
    reader->by_name = by_name;
    reader->folded_names = folded_names;
    build_name_index(reader, terminated);
  }
  std::free(images);
  std::free(terminated);
  if (status != PACK_READ_OK) {
    std::free(entries);
    std::free(by_name);
    std::free(folded_names);
    io_close(file);
  }
  return status;
}

void pack_reader_close(PackReader* reader) {
  if (reader->file != nullptr) io_close(reader->file);
  std::free(reader->entries);
  std::free(reader->by_name);
  std::free(reader->folded_names);
  std::memset(reader, 0, sizeof *reader);
}

int32_t pack_reader_find(const PackReader& reader, const char* name) {
  char key[PACK_NAME_FIELD_SIZE];
  if (fold_name(name, key) != 0) return PACK_READ_NOT_FOUND;
  const char* folded = reader.folded_names;
  // The first folded name not below the key.
  int32_t low = 0;
  int32_t high = reader.named_count;
  while (low < high) {
    const int32_t middle = low + (high - low) / 2;
    if (std::strcmp(folded + static_cast<size_t>(middle) * PACK_NAME_FIELD_SIZE, key) < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  // Names that differ only in letter case fold alike: prefer the one that
  // is the same byte for byte, else the first.
  for (int32_t k = low; k < reader.named_count &&
                        std::strcmp(folded + static_cast<size_t>(k) * PACK_NAME_FIELD_SIZE, key) == 0;
       ++k) {
    if (same_name(reader.entries[reader.by_name[k]].name, name)) return reader.by_name[k];
  }
  if (low < reader.named_count &&
      std::strcmp(folded + static_cast<size_t>(low) * PACK_NAME_FIELD_SIZE, key) == 0) {
    return reader.by_name[low];
  }
  return PACK_READ_NOT_FOUND;
}

int32_t pack_member_size(const PackReader& reader, const int32_t index) {
  const int32_t size = reader.entries[index].byte_size;
  return size > 0 ? size : 0;
}

int32_t pack_reader_read(PackReader* reader, const int32_t index, const int32_t offset,
                         void* buffer, const int32_t length) {
  if (index < 0 || index >= reader->entry_count || offset < 0 || length < 0) {
    return PACK_READ_BAD_RANGE;
  }
  const int32_t size = pack_member_size(*reader, index);
  if (offset > size) return PACK_READ_BAD_RANGE;
  const int32_t wanted = std::min(length, size - offset);
  if (wanted == 0) return 0;
  // The member's bytes must lie in the data area, before the checksum word;
  // an entry pointing elsewhere would hand out header, table or another
  // file's bytes.
  const int64_t start = pack_entry_offset(reader->entries[index]);
  if (start < PACK_DATA_OFFSET || start + size > reader->file_size - PACK_CHECKSUM_SIZE) {
    return PACK_READ_BAD_MEMBER;
  }
  if (io_seek(reader->file, start + offset, SEEK_SET) != 0) return PACK_READ_SHORT_DATA;
  const size_t got = io_read(buffer, 1, static_cast<size_t>(wanted), reader->file);
  if (got != static_cast<size_t>(wanted)) return PACK_READ_SHORT_DATA;
  return wanted;
}

int32_t pack_reader_read_member(PackReader* reader, const int32_t index, void* buffer,
                                const int32_t capacity) {
  if (index < 0 || index >= reader->entry_count) return PACK_READ_BAD_RANGE;
  const int32_t size = pack_member_size(*reader, index);
  if (capacity < size) return PACK_READ_SMALL_BUFFER;
  return pack_reader_read(reader, index, 0, buffer, size);
}
