// How many threads a run packs or extracts with: "-j N", or by default
// twice the processors the tool may use, capped.
#ifndef BLOBSMITH_CLI_JOBS_H_
#define BLOBSMITH_CLI_JOBS_H_

#include <cstdint>

namespace blobsmith {

constexpr int MAX_JOBS = 64;
// Threads per usable processor by default: a thread often waits in the
// kernel (creating a file, taking a directory's lock), and on two
// processors unpacking 2000 small files took 0.43 to 0.53 of tar's time
// with 3 or 4 threads against 0.67 to 0.70 with 2, packing the same with
// 2 to 4.
constexpr int JOBS_PER_PROCESSOR = 2;
// The default never goes above this many threads: on two processors 6 and
// 8 threads packed small files more slowly than 4 (0.61 and 0.67 of tar's
// time against 0.52), and each thread holds files and 128 KiB buffers.
constexpr int DEFAULT_JOBS_CAP = 8;
// Below this many members, and this many bytes where they are known, a run
// stays on one thread: starting threads and handing members between them
// cost more than they gain (on two processors, 64 files of 8 KiB took 2.5
// ms with one thread and 2.7 with four; 4 files of 8 MiB unpacked in 8.8
// ms with four against 11.9).
constexpr int PARALLEL_MIN_MEMBERS = 128;
constexpr int64_t PARALLEL_MIN_BYTES = int64_t{4} << 20;

// The value of "-j": a decimal number from 1 to MAX_JOBS, nothing else (no
// sign, no spaces, no leading zeros). Returns it, or 0 when text is none.
int parse_jobs(const char* text);

// The threads for a run of members members holding bytes bytes (-1 when
// not known): given (parse_jobs' value, or 0 for the default), else
// JOBS_PER_PROCESSOR per usable processor up to DEFAULT_JOBS_CAP, or one
// for a run below both thresholds; never more than the members.
int run_jobs(int given, int members, int64_t bytes);

}  // namespace blobsmith

#endif  // BLOBSMITH_CLI_JOBS_H_
