// The --list mode.
#include "inspect/list.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.h"
#include "cli/options.h"
#include "format/member_name.h"
#include "format/printable.h"
#include "inspect/list_json.h"
#include "inspect/listing.h"

namespace blobsmith {

namespace {

// A stored name of at most max_length bytes as its line shows it. The
// separators are ASCII, so cutting the name at them never splits a UTF-8
// sequence.
std::string listed_name(const char* name, const size_t max_length) {
  std::string shown;
  size_t begin = 0;
  for (size_t i = 0;; ++i) {
    const bool end = i == max_length || name[i] == '\0';
    if (end || is_name_separator(name[i])) {
      shown += printable(name + begin, i - begin);
      if (end) return shown;
      shown += name[i] == '\\' ? "/" : "\\x2F";
      begin = i + 1;
    }
  }
}

void print_header_line(const PackHeader& header) {
  char date[11];
  char time[6];
  listing_stamps(header, date, time);
  std::printf("machine \"%s\"  packed %s %s  entries %d\n",
              printable(header.machine, HEADER_MACHINE_SIZE).c_str(), date, time,
              static_cast<int>(header.entry_count));
}

void print_entry_line(const unsigned char (&image)[PACK_ENTRY_SIZE]) {
  PackEntry entry;
  decode_entry(image, &entry);
  const bool zeroed = entry_image_zeroed(image);
  // Block numbers of the format have at most 7 digits, sizes at most 10.
  std::printf(
      "%7u %10d  %s\n", static_cast<unsigned>(entry.start_block), static_cast<int>(entry.byte_size),
      zeroed ? "(zeroed entry)"
             : listed_name(reinterpret_cast<const char*>(image), PACK_NAME_FIELD_SIZE).c_str());
}

}  // namespace

int list_pack(const char* path) {
  Listing listing;
  if (read_listing(path, false, stdout, &listing) != 0) return -1;
  print_header_line(listing.header);
  for (int32_t i = 0; i < listing.header.entry_count; ++i) {
    unsigned char image[PACK_ENTRY_SIZE];
    std::memcpy(image, listing.table + static_cast<size_t>(i) * PACK_ENTRY_SIZE, PACK_ENTRY_SIZE);
    print_entry_line(image);
  }
  release_listing(&listing);
  return 0;
}

int run_list_command(char** argv) {
  const char* input = "res.bin";
  const char* json = nullptr;
  const char* quiet = nullptr;
  const OptionRule rules[] = {
      {"-i", OPTION_VALUE, &input, nullptr},
      {"--json", OPTION_FLAG, &json, nullptr},
      {"-q", OPTION_FLAG, &quiet, nullptr},
      {"-v", OPTION_VERSION, nullptr, nullptr},
  };
  OptionRefusal refusal;
  const OptionWalk walk = read_options(argv, rules, sizeof rules / sizeof rules[0], &refusal);
  // Standard output of a listing in JSON holds the document alone.
  if (quiet == nullptr && (walk == OPTIONS_VERSION || json == nullptr)) print_list_usage();
  if (walk == OPTIONS_VERSION) {
    print_version_line();
    return RUN_DONE;
  }
  if (walk == OPTIONS_REFUSED) {
    print_option_refusal(json != nullptr ? stderr : stdout, refusal, "--list", "nothing listed");
    return RUN_NOT_DONE;
  }
  const int listed = json != nullptr ? list_pack_json(input) : list_pack(input);
  return listed == 0 ? RUN_DONE : RUN_NOT_DONE;
}

}  // namespace blobsmith
