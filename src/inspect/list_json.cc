// The --list --json document.
#include "inspect/list_json.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "format/utf8.h"
#include "inspect/listing.h"

namespace blobsmith {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// Appends bytes[0, length) as the contents of a JSON string; with levels
// set, a stored "\\" becomes "/". Returns true when the text gives the bytes
// back exactly: no byte outside valid UTF-8, and no stored "/" among levels.
bool append_json_text(const char* bytes, const size_t length, const bool levels, std::string* out) {
  bool exact = true;
  for (size_t i = 0; i < length;) {
    uint32_t code_point = 0;
    const int sequence = utf8_sequence(bytes + i, length - i, &code_point);
    if (sequence == 0) {
      *out += "\xEF\xBF\xBD";  // U+FFFD for the one byte that begins no sequence
      exact = false;
      ++i;
      continue;
    }
    if (code_point == '"') {
      *out += "\\\"";
    } else if (code_point == '\\') {
      *out += levels ? "/" : "\\\\";
    } else if (is_hidden_control(code_point)) {
      *out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) *out += kHexDigits[(code_point >> shift) & 0xF];
    } else {
      if (levels && code_point == '/') exact = false;
      out->append(bytes + i, static_cast<size_t>(sequence));
    }
    i += static_cast<size_t>(sequence);
  }
  return exact;
}

// The bytes of a field up to its first zero byte, or all of them.
size_t field_length(const char* field, const size_t size) {
  const void* zero = std::memchr(field, 0, size);
  return zero == nullptr ? size : static_cast<size_t>(static_cast<const char*>(zero) - field);
}

void print_entry(const int32_t index, const unsigned char (&image)[PACK_ENTRY_SIZE]) {
  PackEntry entry;
  decode_entry(image, &entry);
  const bool zeroed = entry_image_zeroed(image);
  const char* stored = reinterpret_cast<const char*>(image);
  const size_t length = field_length(stored, PACK_NAME_FIELD_SIZE);
  std::string text = "{\"index\": " + std::to_string(index) + ", \"name\": \"";
  const bool exact = append_json_text(stored, length, true, &text);
  text += '"';
  if (!exact) {
    text += ", \"name_hex\": \"";
    for (size_t i = 0; i < length; ++i) {
      const unsigned char byte = image[i];
      text += kHexDigits[byte >> 4];
      text += kHexDigits[byte & 0xF];
    }
    text += '"';
  }
  std::printf("%s, \"start_block\": %u, \"offset\": %" PRIu64 ", \"size\": %d, \"zeroed\": %s}",
              text.c_str(), static_cast<unsigned>(entry.start_block),
              uint64_t{entry.start_block} * PACK_BLOCK_SIZE, static_cast<int>(entry.byte_size),
              zeroed ? "true" : "false");
}

}  // namespace

int list_pack_json(const char* path) {
  Listing listing;
  if (read_listing(path, true, stderr, &listing) != 0) return -1;
  const PackHeader& header = listing.header;
  std::string machine;
  append_json_text(header.machine, field_length(header.machine, HEADER_MACHINE_SIZE), false,
                   &machine);
  char date[11];
  char time[6];
  listing_stamps(header, date, time);
  char checksum[16] = "null";
  if (listing.checksum_read) {
    std::snprintf(checksum, sizeof checksum, "\"0x%08x\"", static_cast<unsigned>(listing.checksum));
  }
  std::printf(
      "{\"format\": 1, \"machine\": \"%s\", \"date\": \"%s\", \"time\": \"%s\", "
      "\"entry_count\": %d, \"checksum\": %s, \"entries\": [",
      machine.c_str(), date, time, static_cast<int>(header.entry_count), checksum);
  for (int32_t i = 0; i < header.entry_count; ++i) {
    unsigned char image[PACK_ENTRY_SIZE];
    std::memcpy(image, listing.table + static_cast<size_t>(i) * PACK_ENTRY_SIZE, PACK_ENTRY_SIZE);
    if (i > 0) std::fputs(", ", stdout);
    print_entry(i, image);
  }
  std::fputs("]}\n", stdout);
  release_listing(&listing);
  return 0;
}

}  // namespace blobsmith
