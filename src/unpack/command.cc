// The --unpack mode: its options.
#include "unpack/command.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "cli/commands.h"
#include "cli/options.h"
#include "format/pack_format.h"
#include "format/printable.h"
#include "unpack/extract.h"

namespace blobsmith {

int run_unpack_command(char** argv) {
  print_unpack_usage();
  const char* input = "res.bin";
  const char* output = "res";
  const OptionRule rules[] = {
      {"-i", OPTION_VALUE, &input, nullptr},
      {"-o", OPTION_VALUE, &output, nullptr},
      {"-v", OPTION_VERSION, nullptr, nullptr},
  };
  if (read_options(argv, rules, sizeof rules / sizeof rules[0]) == OPTIONS_VERSION) {
    print_version_line();
    return RUN_DONE;
  }
  // A value that would not fit the tool's path buffers is refused whole:
  // a cut name would read or write somewhere other than what was asked.
  for (const char* value : {input, output}) {
    if (std::strlen(value) > static_cast<size_t>(PATH_MAX_LENGTH)) {
      std::printf("%s path name is too long, nothing extracted !!!\n", printable(value).c_str());
      return RUN_NOT_DONE;
    }
  }
  static_assert(EXTRACTED == RUN_DONE && EXTRACTED_REPORTED == RUN_PARTLY_DONE &&
                    NOTHING_EXTRACTED == RUN_NOT_DONE,
                "the extractor's outcomes are the command's exit statuses");
  return extract_pack(input, output);
}

}  // namespace blobsmith
