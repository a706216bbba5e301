// Fuzz target: the commands' option walks on arbitrary argument vectors.
// The input is split at zero bytes into at most 64 arguments, each in a
// block of exactly its size, placed after the program name and run as one
// command line. Every file and directory call is refused (sandbox_io.cc),
// so only the walks and their checks run. Aborts when an argument is
// changed, a status other than 0 or 2 comes back, the ignore list overflows
// or the machine flag loses its terminator; overflows of any buffer are
// caught by the sanitizers.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cli/dispatch.h"
#include "fuzz_check.h"
#include "pack/collect.h"
#include "pack/writer.h"

using namespace blobsmith;  // NOLINT: the target drives the tool's own entry

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  silence_stdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, const size_t size) {
  std::vector<std::string> args{"blobsmith"};
  for (size_t i = 0, begin = 0; i <= size && args.size() <= 64; ++i) {
    if (i == size || data[i] == 0) {
      args.emplace_back(reinterpret_cast<const char*>(data) + begin, i - begin);
      begin = i + 1;
    }
  }
  std::vector<std::vector<char>> storage;
  std::vector<char*> argv;
  for (const std::string& arg : args) storage.emplace_back(arg.c_str(), arg.c_str() + arg.size() + 1);
  for (std::vector<char>& arg : storage) argv.push_back(arg.data());
  argv.push_back(nullptr);
  // With nothing to open, a run either ends early with 0 or cannot do its job.
  const int status = run_command_line(argv.data());
  FUZZ_CHECK(status == 0 || status == 2);
  for (size_t i = 0; i < args.size(); ++i) {
    FUZZ_CHECK(argv[i] == storage[i].data() && std::strcmp(argv[i], args[i].c_str()) == 0);
  }
  FUZZ_CHECK(g_ignore_list.count >= 0 && g_ignore_list.count <= MAX_IGNORE_NAMES);
  FUZZ_CHECK(std::memchr(g_machine_flag, 0, MACHINE_FLAG_SIZE) != nullptr);
  return 0;
}
