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

int default_jobs(const int per_processor) {
  const int processors = usable_processors();
  if (processors >= DEFAULT_JOBS_CAP / per_processor) return DEFAULT_JOBS_CAP;
  return processors < 1 ? per_processor : processors * per_processor;
}

}  // namespace blobsmith
