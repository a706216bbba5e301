// Throughput of the checksum fold: the byte-at-a-time loop, the table path
// and the carry-less paths (128-bit and 256-bit), on a buffer that stays in cache (256 KiB) and one
// that does not (256 MiB). Run with --benchmark_filter to pick a case.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <random>

#include "format/checksum.h"
#include "format/checksum_paths.h"
#include "platform/io.h"

using namespace blobsmith;  // NOLINT: the benchmark times the tool's own folds

namespace {

constexpr int64_t kSmall = int64_t{256} << 10;
constexpr int64_t kLarge = int64_t{256} << 20;

// One page-aligned buffer of random bytes per size, kept for the whole run.
const unsigned char* test_buffer(const int64_t size) {
  static unsigned char* small = nullptr;
  static unsigned char* large = nullptr;
  unsigned char*& buffer = size == kSmall ? small : large;
  if (buffer == nullptr) {
    buffer = static_cast<unsigned char*>(allocate_pages(static_cast<size_t>(size)));
    if (buffer == nullptr) std::abort();
    std::mt19937_64 random(size);
    for (int64_t i = 0; i < size; i += 8) {
      const uint64_t word = random();
      for (int64_t j = 0; j < 8; ++j) buffer[i + j] = static_cast<unsigned char>(word >> (8 * j));
    }
  }
  return buffer;
}

void run_fold(benchmark::State& state, uint32_t (*update)(uint32_t, const unsigned char*, uint32_t)) {
  const int64_t size = state.range(0);
  const unsigned char* buffer = test_buffer(size);
  uint32_t accumulator = 0;
  for (auto _ : state) {
    accumulator = update(static_cast<uint32_t>(size), buffer, accumulator);
    benchmark::DoNotOptimize(accumulator);
  }
  state.SetBytesProcessed(state.iterations() * size);
}

void BM_ChecksumBytewise(benchmark::State& state) { run_fold(state, checksum_update_bytewise); }

void BM_ChecksumPortable(benchmark::State& state) { run_fold(state, checksum_update_portable); }

void BM_ChecksumClmul(benchmark::State& state) {
  if (!checksum_clmul_available()) {
    state.SkipWithError("this processor has no carry-less multiply");
    return;
  }
  run_fold(state, checksum_update_clmul);
}

void BM_ChecksumClmulWide(benchmark::State& state) {
  if (!checksum_clmul_wide_available()) {
    state.SkipWithError("this build or processor has no wide carry-less multiply");
    return;
  }
  run_fold(state, checksum_update_clmul_wide);
}

// What the checksum pass calls: the fastest path this processor has.
void BM_ChecksumUpdate(benchmark::State& state) { run_fold(state, checksum_update); }

}  // namespace

BENCHMARK(BM_ChecksumBytewise)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChecksumPortable)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChecksumClmul)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChecksumClmulWide)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChecksumUpdate)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
