// A pack file read for --list.
#include "inspect/listing.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "format/printable.h"
#include "platform/io.h"
#include "read/io_source.h"

namespace blobsmith {

namespace {

// The trailing word, when the file is long enough to hold one after its
// table. Returns 0, or -1 when the file cannot be measured or read.
int read_checksum(IoFile* file, const ByteSource& source, Listing* listing) {
  FileStatus status;
  if (io_status(file, &status) != 0) return -1;
  listing->checksum_read = status.size >= int64_t{PACK_DATA_OFFSET} + PACK_CHECKSUM_SIZE;
  if (!listing->checksum_read) return 0;
  unsigned char word[PACK_CHECKSUM_SIZE];
  const uint64_t at = static_cast<uint64_t>(status.size) - PACK_CHECKSUM_SIZE;
  if (source.read_at(source.context, at, word, sizeof word) != sizeof word) return -1;
  listing->checksum = get_u32_le(word);
  return 0;
}

}  // namespace

int read_listing(const char* path, const bool with_checksum, FILE* problems, Listing* listing) {
  const std::string shown = printable(path);
  *listing = Listing{};
  IoFile* file = io_open(path);
  if (file == nullptr) {
    std::fprintf(problems, "%s open failed !!!\n", shown.c_str());
    return -1;
  }
  const ByteSource source = io_source(file);
  PackHead head;
  read_pack_head(source, &head);
  const int32_t count = head.header.entry_count;
  unsigned char* table = nullptr;
  int status = -1;
  const PackHeaderCheck check = check_pack_header(head);
  if (check == PACK_HEADER_SHORT) {
    std::fprintf(problems, "%s read header failed !!!\n", shown.c_str());
  } else if (check == PACK_HEADER_NOT_A_PACK) {
    std::fprintf(problems, "%s is not a pack file !!!\n", shown.c_str());
  } else if (check == PACK_HEADER_ENTRY_COUNT) {
    std::fprintf(problems, "%s entry count %d is out of range, nothing listed !!!\n", shown.c_str(),
                 static_cast<int>(count));
  } else if ((table = static_cast<unsigned char*>(
                  std::malloc(static_cast<size_t>(count) * PACK_ENTRY_SIZE))) == nullptr ||
             read_pack_table(source, count, table) != count ||
             (with_checksum && read_checksum(file, source, listing) != 0)) {
    std::fprintf(problems, "%s read failed !!!\n", shown.c_str());
  } else {
    listing->header = head.header;
    listing->table = table;
    table = nullptr;
    status = 0;
  }
  std::free(table);
  io_close(file);
  return status;
}

void release_listing(Listing* listing) {
  std::free(listing->table);
  listing->table = nullptr;
}

bool entry_image_zeroed(const unsigned char (&image)[PACK_ENTRY_SIZE]) {
  for (const unsigned char byte : image) {
    if (byte != 0) return false;
  }
  return true;
}

void listing_stamps(const PackHeader& header, char (&date)[11], char (&time)[6]) {
  // The stamps are digits without terminators; anything else shows as "?".
  char stamp[HEADER_DATE_STAMP_SIZE + HEADER_TIME_STAMP_SIZE];
  std::memcpy(stamp, header.date_stamp, HEADER_DATE_STAMP_SIZE);
  std::memcpy(stamp + HEADER_DATE_STAMP_SIZE, header.time_stamp, HEADER_TIME_STAMP_SIZE);
  for (char& c : stamp) {
    if (c < '0' || c > '9') c = '?';
  }
  std::snprintf(date, sizeof date, "%.4s-%.2s-%.2s", stamp, stamp + 4, stamp + 6);
  std::snprintf(time, sizeof time, "%.2s:%.2s", stamp + 8, stamp + 10);
}

}  // namespace blobsmith
