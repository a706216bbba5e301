// The --pack mode.
#include "pack/command.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/jobs.h"
#include "cli/options.h"
#include "format/printable.h"
#include "pack/collect.h"
#include "pack/depfile.h"
#include "pack/output.h"
#include "pack/stamp.h"
#include "pack/writer.h"

namespace blobsmith {

namespace {

struct PackOptions {
  const char* output;
  const char* input;
  const char* machine;
  bool too_many_names;
  const char* quiet;    // set: no usage box
  const char* strict;   // set: anything that would give status 1 writes nothing
  const char* depfile;  // a dependency file to write beside the pack, or nullptr
  const char* jobs;     // "-j": the threads to pack with, or nullptr for the default
};

// Reads the options into options and the ignore list.
OptionWalk read_pack_options(char** argv, PackOptions* options, OptionRefusal* refusal) {
  OptionList ignore{g_ignore_list.names, MAX_IGNORE_NAMES, 0, false};
  const OptionRule rules[] = {
      {"-o", OPTION_VALUE, &options->output, nullptr},
      {"-i", OPTION_VALUE, &options->input, nullptr},
      {"-g", OPTION_LIST, nullptr, &ignore},
      {"-m", OPTION_VALUE, &options->machine, nullptr},
      {"-v", OPTION_VERSION, nullptr, nullptr},
      {"-q", OPTION_FLAG, &options->quiet, nullptr},
      {"--strict", OPTION_FLAG, &options->strict, nullptr},
      {"--depfile", OPTION_VALUE, &options->depfile, nullptr},
      {"-j", OPTION_VALUE, &options->jobs, nullptr},
  };
  const OptionWalk walk = read_options(argv, rules, sizeof rules / sizeof rules[0], refusal);
  g_ignore_list.count = ignore.count;
  options->too_many_names = ignore.overflowed;
  return walk;
}

// Values that cannot be used whole are refused: a cut name, flag or list
// would give a pack that is not what was asked. Returns 0 when all are.
int check_pack_options(const PackOptions& options) {
  for (const char* path : {options.output, options.input, options.depfile}) {
    if (path != nullptr && std::strlen(path) > static_cast<size_t>(PATH_MAX_LENGTH)) {
      std::printf("%s path name is too long, nothing written !!!\n", printable(path).c_str());
      return -1;
    }
  }
  if (options.input[0] == '\0') {
    // The walk would start at the root of the file system.
    std::printf("empty input directory name, nothing written !!!\n");
    return -1;
  }
  if (options.output[0] == '\0') {
    std::printf("empty output file name, nothing written !!!\n");
    return -1;
  }
  if (options.depfile != nullptr && options.depfile[0] == '\0') {
    std::printf("empty dependency file name, nothing written !!!\n");
    return -1;
  }
  if (std::strlen(options.machine) > static_cast<size_t>(MACHINE_FLAG_SIZE - 1)) {
    std::printf("%s machine flag is longer than 7 characters, nothing written !!!\n",
                printable(options.machine).c_str());
    return -1;
  }
  if (options.jobs != nullptr && parse_jobs(options.jobs) == 0) {
    std::printf("-j %s is not a number of threads from 1 to %d, nothing written !!!\n",
                printable(options.jobs).c_str(), MAX_JOBS);
    return -1;
  }
  if (options.too_many_names) {
    std::printf("-g lists more than %d names, nothing written !!!\n", MAX_IGNORE_NAMES);
    return -1;
  }
  return 0;
}

// The time the pack is stamped with: SOURCE_DATE_EPOCH in UTC when it is
// set, the local clock otherwise (zero digits if it cannot be read).
// Returns 0, or -1 after printing a line when the variable is malformed.
int pack_time(LocalTime* time) {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch == nullptr) {
    *time = LocalTime{0, 0, 0, 0, 0};
    local_time_now(time);
    return 0;
  }
  int64_t seconds = 0;
  const int parsed = parse_epoch_seconds(epoch, &seconds);
  if (parsed == -2) {
    std::printf("SOURCE_DATE_EPOCH %s is after 9999-12-31 23:59:59 UTC, nothing written !!!\n",
                printable(epoch).c_str());
    return -1;
  }
  if (parsed != 0) {
    std::printf("SOURCE_DATE_EPOCH %s is not a number of seconds, nothing written !!!\n",
                printable(epoch).c_str());
    return -1;
  }
  *time = utc_fields(seconds);
  return 0;
}

// The dependency file's text for a pack of the first count slots (paths as
// collected) and the directories walked. Returns false after printing a
// line when a path cannot be written in one.
bool depfile_text(const PackOptions& options, const NameTable& table, const int count,
                  const std::vector<std::string>& directories, std::string* text) {
  std::vector<std::string> prerequisites(directories);
  for (int i = 0; i < count; ++i) prerequisites.emplace_back(table.slots[i]);
  std::string bad_path;
  if (format_depfile(options.output, prerequisites, is_platform_separator('\\'), text, &bad_path)) {
    return true;
  }
  std::printf("%s cannot be written in a dependency file, nothing written !!!\n",
              printable(bad_path.c_str()).c_str());
  return false;
}

// True when the file at path begins as this pack's dependency file does:
// with the output's name and a colon, as format_depfile writes them.
bool holds_depfile_of(const char* path, const char* output) {
  std::string expected;
  std::string bad_path;
  if (!format_depfile(output, {}, is_platform_separator('\\'), &expected, &bad_path)) return false;
  expected.resize(expected.find(':') + 1);
  IoFile* file = io_open(path);
  if (file == nullptr) return false;
  std::string start(expected.size(), '\0');
  const bool read = io_read(&start[0], 1, start.size(), file) == start.size();
  io_close(file);
  return read && start == expected;
}

// Writes text to the dependency file's temporary file. Returns 0, or -1
// after printing a line.
int write_depfile(const std::string& text, PackOutput* depfile) {
  if (open_pack_output(depfile) != 0) return -1;
  if (!text.empty() && io_write(text.data(), text.size(), 1, depfile->file) != 1) {
    std::printf("%s write failed !!!\n", printable(depfile->name).c_str());
    discard_pack_output(depfile);
    return -1;
  }
  return 0;
}

// Collects, checks and writes. Returns the exit status.
int pack_tree(const PackOptions& options, const LocalTime& stamp, NameTable* table) {
  PackOutput output;
  PackOutput depfile;
  if (find_pack_output(options.output, &output) != 0) return RUN_NOT_DONE;
  if (options.depfile != nullptr && find_pack_output(options.depfile, &depfile) != 0) {
    return RUN_NOT_DONE;
  }
  if (options.depfile != nullptr &&
      (std::strcmp(depfile.final_path, output.final_path) == 0 ||
       (depfile.existed && output.existed &&
        same_identity(depfile.existing.identity, output.existing.identity)))) {
    std::printf("%s is the pack itself, nothing written !!!\n", printable(options.depfile).c_str());
    return RUN_NOT_DONE;
  }
  std::vector<std::string> directories;
  WalkReport report{output.existed ? &output.existing.identity : nullptr, output.existing_is_pack,
                    false, false, 0};
  if (options.depfile != nullptr) {
    report.directories = &directories;
    if (depfile.existed) {
      report.depfile = &depfile.existing.identity;
      report.depfile_is_ours = holds_depfile_of(depfile.final_path, options.output);
    }
  }
  const int prefix_len = static_cast<int>(std::strlen(options.input)) + 1;
  const int count = collect_files(options.input, table, prefix_len, 0, PACK_MAX_ENTRIES, &report);
  const std::string input = printable(options.input);
  if (report.top_unreadable) {
    std::printf("%s input directory cannot be read, nothing written !!!\n", input.c_str());
    return RUN_NOT_DONE;
  }
  if (report.output_met || report.depfile_met) {
    std::printf("%s is one of the files to pack, nothing written !!!\n",
                printable(report.output_met ? options.output : options.depfile).c_str());
    return RUN_NOT_DONE;
  }
  if (count > PACK_MAX_USABLE_ENTRIES) {
    std::printf("%s holds more than %d files, nothing written !!!\n", input.c_str(),
                PACK_MAX_USABLE_ENTRIES);
    return RUN_NOT_DONE;
  }
  if (count == 0) {
    std::printf("%s holds no file to pack, nothing written !!!\n", input.c_str());
    return RUN_NOT_DONE;
  }
  sort_name_table(table, count);
  std::string dependencies;
  if (options.depfile != nullptr &&
      (!depfile_text(options, *table, count, directories, &dependencies) ||
       write_depfile(dependencies, &depfile) != 0)) {
    return RUN_NOT_DONE;
  }
  const bool clashes = report_name_clashes(*table, count, prefix_len) > 0;
  const int jobs = options.jobs != nullptr ? parse_jobs(options.jobs) : 0;
  static_assert(PACK_WHOLE == RUN_DONE && PACK_WHOLE_REPORTED == RUN_PARTLY_DONE &&
                    PACK_NOT_WHOLE == RUN_NOT_DONE,
                "the writer's outcomes are the command's exit statuses");
  int status = open_pack_output(&output) != 0
                   ? RUN_NOT_DONE
                   : write_pack(output, prefix_len, table, count, stamp,
                                jobs > 0 ? jobs : default_jobs(PACK_JOBS_PER_PROCESSOR), jobs == 0);
  if (status == RUN_DONE && (clashes || report.skipped > 0)) status = RUN_PARTLY_DONE;
  if (status == RUN_PARTLY_DONE && options.strict != nullptr) {
    std::printf("%s not written, --strict !!!\n", printable(options.output).c_str());
    status = RUN_NOT_DONE;
  }
  if (status == RUN_NOT_DONE || commit_pack_output(&output) != 0) {
    discard_pack_output(&output);
    if (options.depfile != nullptr) discard_pack_output(&depfile);
    return RUN_NOT_DONE;
  }
  if (options.depfile != nullptr) {
    if (commit_pack_output(&depfile) != 0) return RUN_NOT_DONE;
    // Both renames changed the directories they landed in, which may be
    // directories the dependency file names: the pack is made newer than
    // them, so a build does not run the pack again for its own outputs.
    if (path_touch(output.final_path) != 0) {
      std::printf("%s write failed !!!\n", printable(options.output).c_str());
      return RUN_NOT_DONE;
    }
  }
  return status;
}

}  // namespace

int run_pack_command(char** argv) {
  // Nothing survives from an earlier run in the same process.
  g_ignore_list.count = 0;
  PackOptions options{"res.bin", "res", "q5", false, nullptr, nullptr, nullptr, nullptr};
  OptionRefusal refusal;
  const OptionWalk walk = read_pack_options(argv, &options, &refusal);
  if (options.quiet == nullptr) print_pack_usage();
  if (walk == OPTIONS_VERSION) {
    print_version_line();
    return RUN_DONE;
  }
  if (walk == OPTIONS_REFUSED) {
    print_option_refusal(stdout, refusal, "--pack", "nothing written");
    return RUN_NOT_DONE;
  }
  LocalTime stamp;
  if (check_pack_options(options) != 0 || pack_time(&stamp) != 0) return RUN_NOT_DONE;
  std::memset(g_machine_flag, 0, sizeof g_machine_flag);
  std::memcpy(g_machine_flag, options.machine, std::strlen(options.machine));

  NameTable* table = static_cast<NameTable*>(std::calloc(1, sizeof(NameTable)));
  if (table == nullptr) {
    std::printf("%s cannot be packed, out of memory !!!\n", printable(options.input).c_str());
    return RUN_NOT_DONE;
  }
  const int status = pack_tree(options, stamp, table);
  std::free(table);
  return status;
}

}  // namespace blobsmith
