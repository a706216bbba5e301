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

int run_jobs(const int given, const int members) {
  if (given > 0) return given < members ? given : (members > 0 ? members : 1);
  if (members < PARALLEL_MIN_MEMBERS) return 1;
  int jobs = usable_processors();
  if (jobs > DEFAULT_JOBS_CAP) jobs = DEFAULT_JOBS_CAP;
  return jobs < 1 ? 1 : jobs;
}

}  // namespace blobsmith
