// The --list mode.
#include "inspect/list.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/commands.h"
#include "cli/options.h"
#include "format/printable.h"
#include "read/io_source.h"

namespace blobsmith {

namespace {

void print_header_line(const PackHeader& header) {
  // The stamps are digits without terminators; anything else shows as "?".
  char stamp[HEADER_DATE_STAMP_SIZE + HEADER_TIME_STAMP_SIZE];
  std::memcpy(stamp, header.date_stamp, HEADER_DATE_STAMP_SIZE);
  std::memcpy(stamp + HEADER_DATE_STAMP_SIZE, header.time_stamp, HEADER_TIME_STAMP_SIZE);
  for (char& c : stamp) {
    if (c < '0' || c > '9') c = '?';
  }
  std::printf("machine \"%s\"  packed %.4s-%.2s-%.2s %.2s:%.2s  entries %d\n",
              printable(header.machine, HEADER_MACHINE_SIZE).c_str(), stamp, stamp + 4,
              stamp + 6, stamp + 8, stamp + 10, static_cast<int>(header.entry_count));
}

void print_entry_line(const unsigned char (&image)[PACK_ENTRY_SIZE]) {
  PackEntry entry;
  decode_entry(image, &entry);
  bool zeroed = true;
  for (const unsigned char byte : image) zeroed = zeroed && byte == 0;
  // Block numbers of the format have at most 7 digits, sizes at most 10.
  std::printf("%7u %10d  %s\n", static_cast<unsigned>(entry.start_block),
              static_cast<int>(entry.byte_size),
              zeroed ? "(zeroed entry)"
                     : printable(reinterpret_cast<const char*>(image), PACK_NAME_FIELD_SIZE).c_str());
}

}  // namespace

int list_pack(const char* path) {
  const std::string shown = printable(path);
  IoFile* file = io_open(path);
  if (file == nullptr) {
    std::printf("%s open failed !!!\n", shown.c_str());
    return -1;
  }
  const ByteSource source = io_source(file);
  PackHead head;
  read_pack_head(source, &head);
  const int32_t count = head.header.entry_count;
  unsigned char* table = nullptr;
  int status = -1;
  if (!head.header_whole) {
    std::printf("%s read header failed !!!\n", shown.c_str());
  } else if (!header_is_pack(head.header)) {
    std::printf("%s is not a pack file !!!\n", shown.c_str());
  } else if (!entry_count_usable(count)) {
    std::printf("%s entry count %d is out of range, nothing listed !!!\n", shown.c_str(),
                static_cast<int>(count));
  } else if ((table = static_cast<unsigned char*>(
                  std::malloc(static_cast<size_t>(count) * PACK_ENTRY_SIZE))) == nullptr ||
             read_pack_table(source, count, table) != count) {
    std::printf("%s read failed !!!\n", shown.c_str());
  } else {
    print_header_line(head.header);
    for (int32_t i = 0; i < count; ++i) {
      unsigned char image[PACK_ENTRY_SIZE];
      std::memcpy(image, table + static_cast<size_t>(i) * PACK_ENTRY_SIZE, PACK_ENTRY_SIZE);
      print_entry_line(image);
    }
    status = 0;
  }
  std::free(table);
  io_close(file);
  return status;
}

int run_list_command(char** argv) {
  print_list_usage();
  const char* input = "res.bin";
  const OptionRule rules[] = {
      {"-i", OPTION_VALUE, &input, nullptr},
      {"-v", OPTION_VERSION, nullptr, nullptr},
  };
  if (read_options(argv, rules, sizeof rules / sizeof rules[0]) == OPTIONS_VERSION) {
    print_version_line();
    return RUN_DONE;
  }
  return list_pack(input) == 0 ? RUN_DONE : RUN_NOT_DONE;
}

}  // namespace blobsmith
