// How many threads a run packs or extracts with: "-j N", or by default as
// many as the processors the tool may use (twice as many unpacking),
// capped, and one for a small run.
#ifndef BLOBSMITH_CLI_JOBS_H_
#define BLOBSMITH_CLI_JOBS_H_

#include <cstdint>

namespace blobsmith {

constexpr int MAX_JOBS = 64;
// Threads per usable processor by default. Packing writes one file, whose
// writes the kernel takes one at a time: on two processors 2000 small
// files packed in 0.48 to 0.54 of tar's time with 2 threads, 0.50 to 0.58
// with 3 or 4 (runs of 9 rounds). Unpacking makes files in many
// directories, and a thread often waits in the kernel: 0.60 to 0.76 with
// 2 threads, 0.44 to 0.50 with 3 or 4.
constexpr int PACK_JOBS_PER_PROCESSOR = 1;
constexpr int UNPACK_JOBS_PER_PROCESSOR = 2;
// The default never goes above this many threads: on two processors 8
// threads packed small files in 0.59 to 0.67 of tar's time, and each
// thread holds files and 128 KiB buffers.
constexpr int DEFAULT_JOBS_CAP = 8;
// A run with fewer members and fewer bytes than these stays on one thread
// by default: starting threads and handing members between them costs
// more than they gain (on two processors, 64 files of 8 KiB took 2.5 ms
// with one thread and 2.7 with four; 4 files of 8 MiB unpacked in 8.8 ms
// with four against 11.9).
constexpr int PARALLEL_MIN_MEMBERS = 128;
constexpr int64_t PARALLEL_MIN_BYTES = int64_t{4} << 20;

// The value of "-j": a decimal number from 1 to MAX_JOBS, nothing else (no
// sign, no spaces, no leading zeros). Returns it, or 0 when text is none.
int parse_jobs(const char* text);

// The default number of threads: per_processor for each usable processor,
// at most DEFAULT_JOBS_CAP.
int default_jobs(int per_processor);

// True when a run of members members holding bytes bytes is worth threads
// by default.
inline bool worth_threads(const int64_t members, const int64_t bytes) {
  return members >= PARALLEL_MIN_MEMBERS || bytes >= PARALLEL_MIN_BYTES;
}

}  // namespace blobsmith

#endif  // BLOBSMITH_CLI_JOBS_H_
