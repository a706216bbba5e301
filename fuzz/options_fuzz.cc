// Fuzz target: the option walks on up to 64 arguments split at zero bytes,
// each in an exactly-sized block, with every file call refused (sandbox_io.cc).
// Aborts when an argument changes, the status is not 0 or 2, or the ignore
// list or machine flag outgrows its store.
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
