// The number of threads of a run.
#include "cli/jobs.h"

#include "platform/processors.h"

namespace blobsmith {

int parse_jobs(const char* text) {
  if (text[0] < '1' || text[0] > '9') return 0;
  int value = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return 0;
    value = value * 10 + (*p - '0');
    if (value > MAX_JOBS) return 0;
  }
  return value;
}

int run_jobs(const int given, const int members, const int64_t bytes) {
  int jobs = given;
  if (given == 0) {
    if (members < PARALLEL_MIN_MEMBERS && bytes < PARALLEL_MIN_BYTES) return 1;
    const int processors = usable_processors();
    jobs = processors >= DEFAULT_JOBS_CAP / JOBS_PER_PROCESSOR ? DEFAULT_JOBS_CAP
                                                               : processors * JOBS_PER_PROCESSOR;
  }
  if (jobs > members) jobs = members;
  return jobs < 1 ? 1 : jobs;
}

}  // namespace blobsmith
