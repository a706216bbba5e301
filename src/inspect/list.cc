// The --list mode.
#include "inspect/list.h"

#include <cstdio>
#include <cstring>

#include "cli/commands.h"
#include "inspect/inspect_common.h"
#include "read/pack_reader.h"

namespace {

void print_header_line(const PackHeader& header) {
  char machine[HEADER_MACHINE_SIZE + 1];
  printable_text(header.machine, HEADER_MACHINE_SIZE, machine);
  // The stamps are digits without terminators; anything else shows as "?".
  char stamp[HEADER_DATE_STAMP_SIZE + HEADER_TIME_STAMP_SIZE];
  std::memcpy(stamp, header.date_stamp, HEADER_DATE_STAMP_SIZE);
  std::memcpy(stamp + HEADER_DATE_STAMP_SIZE, header.time_stamp, HEADER_TIME_STAMP_SIZE);
  for (char& c : stamp) {
    if (c < '0' || c > '9') c = '?';
  }
  std::printf("machine \"%s\"  packed %.4s-%.2s-%.2s %.2s:%.2s  entries %d\n", machine, stamp,
              stamp + 4, stamp + 6, stamp + 8, stamp + 10, static_cast<int>(header.entry_count));
}

void print_entry_line(const PackEntry& entry) {
  char name[PACK_NAME_FIELD_SIZE + 1];
  printable_text(entry.name, PACK_NAME_FIELD_SIZE, name);
  // Block numbers of the format have at most 7 digits, sizes at most 10.
  std::printf("%7u %10d  %s\n", static_cast<unsigned>(entry.start_block),
              static_cast<int>(entry.byte_size),
              pack_entry_is_zeroed(entry) ? "(zeroed entry)" : name);
}

}  // namespace

int list_pack(const char* path) {
  PackReader reader;
  const int32_t status = pack_reader_open(path, &reader);
  switch (status) {
    case PACK_READ_OK:
      break;
    case PACK_READ_OPEN_FAILED:
      std::printf("%s open failed !!!\n", path);
      return status;
    case PACK_READ_SHORT_HEADER:
      std::printf("%s read header failed !!!\n", path);
      return status;
    case PACK_READ_NOT_A_PACK:
      std::printf("%s is not a pack file !!!\n", path);
      return status;
    case PACK_READ_BAD_COUNT:
      std::printf("%s entry count %d is out of range, nothing listed !!!\n", path,
                  static_cast<int>(reader.header.entry_count));
      return status;
    case PACK_READ_SHORT_TABLE:
      std::printf("%s read failed !!!\n", path);
      return status;
    default:  // a failed allocation is not reported
      return status;
  }
  print_header_line(reader.header);
  for (int32_t i = 0; i < reader.entry_count; ++i) print_entry_line(reader.entries[i]);
  pack_reader_close(&reader);
  return 0;
}

int run_list_command(char** argv) {
  print_list_usage();
  const char* input = "res.bin";
  if (read_inspect_options(argv, &input) != 0) return 0;
  list_pack(input);
  return 0;
}
