// The --unpack mode: its options.
#include "unpack/command.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "cli/commands.h"
#include "cli/jobs.h"
#include "cli/options.h"
#include "format/pack_format.h"
#include "format/printable.h"
#include "platform/io.h"
#include "unpack/extract.h"

namespace blobsmith {

namespace {

// Runs what the options ask for once they are read. Returns the exit status.
int unpack(const char* input, const char* output, const MemberChoice* only, const char* member,
           std::FILE* data, const char* jobs) {
  // A value that would not fit the tool's path buffers is refused whole:
  // a cut name would read or write somewhere other than what was asked.
  for (const char* value : {input, output}) {
    if (std::strlen(value) > static_cast<size_t>(PATH_MAX_LENGTH)) {
      std::printf("%s path name is too long, nothing extracted !!!\n", printable(value).c_str());
      return RUN_NOT_DONE;
    }
  }
  if (jobs != nullptr && parse_jobs(jobs) == 0) {
    std::printf("-j %s is not a number of threads from 1 to %d, nothing extracted !!!\n",
                printable(jobs).c_str(), MAX_JOBS);
    return RUN_NOT_DONE;
  }
  static_assert(EXTRACTED == RUN_DONE && EXTRACTED_REPORTED == RUN_PARTLY_DONE &&
                    NOTHING_EXTRACTED == RUN_NOT_DONE,
                "the extractor's outcomes are the command's exit statuses");
  if (member == nullptr)
    return extract_pack(input, output, only, jobs != nullptr ? parse_jobs(jobs) : 0);
  if (data == nullptr) {
    std::printf("standard output cannot be used, nothing extracted !!!\n");
    return RUN_NOT_DONE;
  }
  return print_member(input, member, data);
}

}  // namespace

int run_unpack_command(char** argv) {
  const char* input = "res.bin";
  const char* output = nullptr;
  const char* quiet = nullptr;
  const char* member = nullptr;
  const char* jobs = nullptr;
  int arguments = 0;
  while (argv[arguments] != nullptr) ++arguments;
  std::vector<const char*> names(static_cast<size_t>(arguments));
  OptionList only{names.data(), arguments, 0, false};
  const OptionRule rules[] = {
      {"-i", OPTION_VALUE, &input, nullptr}, {"-o", OPTION_VALUE, &output, nullptr},
      {"-x", OPTION_LIST, nullptr, &only},   {"-p", OPTION_VALUE, &member, nullptr},
      {"-q", OPTION_FLAG, &quiet, nullptr},  {"-v", OPTION_VERSION, nullptr, nullptr},
      {"-j", OPTION_VALUE, &jobs, nullptr},
  };
  OptionRefusal refusal;
  const OptionWalk walk = read_options(argv, rules, sizeof rules / sizeof rules[0], &refusal);
  // With -p, standard output carries the member's bytes alone: the usage
  // box and every line go to standard error.
  std::FILE* data = member != nullptr ? take_standard_output() : nullptr;
  if (quiet == nullptr) print_unpack_usage();
  int status = RUN_NOT_DONE;
  if (walk == OPTIONS_VERSION) {
    print_version_line();
    status = RUN_DONE;
  } else if (walk == OPTIONS_REFUSED) {
    print_option_refusal(stdout, refusal, "--unpack", "nothing extracted");
  } else if (member != nullptr && (only.given || output != nullptr)) {
    std::printf("-p cannot be used with -x or -o, nothing extracted !!!\n");
  } else {
    const MemberChoice choice{names.data(), only.count};
    status = unpack(input, output != nullptr ? output : "res", only.given ? &choice : nullptr,
                    member, data, jobs);
  }
  if (data != nullptr) give_back_standard_output(data);
  return status;
}

}  // namespace blobsmith
