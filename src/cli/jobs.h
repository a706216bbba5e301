// How many threads a run packs or extracts with: "-j N", or by default the
// processors the tool may use, capped.
#ifndef BLOBSMITH_CLI_JOBS_H_
#define BLOBSMITH_CLI_JOBS_H_

namespace blobsmith {

constexpr int MAX_JOBS = 64;
// The default never goes above this many threads. On two processors a
// third thread gains nothing; the cap keeps the memory and descriptors of a
// run on a large machine small (each thread holds one file and two 128 KiB
// buffers) while most of the work is the kernel's.
constexpr int DEFAULT_JOBS_CAP = 8;
// Below this many members a run stays on one thread: starting threads and
// handing members between them costs more than a few files take.
constexpr int PARALLEL_MIN_MEMBERS = 16;

// The value of "-j": a decimal number from 1 to MAX_JOBS, nothing else (no
// sign, no spaces, no leading zeros). Returns it, or 0 when text is none.
int parse_jobs(const char* text);

// The threads for a run of members members: given (parse_jobs' value, or 0
// for the default), else the usable processors capped at DEFAULT_JOBS_CAP;
// never more than the members, and one below PARALLEL_MIN_MEMBERS.
int run_jobs(int given, int members);

}  // namespace blobsmith

#endif  // BLOBSMITH_CLI_JOBS_H_
