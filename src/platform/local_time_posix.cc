// The local clock on POSIX systems.
#include <ctime>

#include "platform/local_time.h"

namespace blobsmith {

int local_time_now(LocalTime* now) {
  const std::time_t seconds = std::time(nullptr);
  if (seconds == static_cast<std::time_t>(-1)) return -1;
  std::tm fields;
  if (::localtime_r(&seconds, &fields) == nullptr) return -1;
  now->year = fields.tm_year + 1900;
  now->month = fields.tm_mon + 1;
  now->day = fields.tm_mday;
  now->hour = fields.tm_hour;
  now->minute = fields.tm_min;
  return 0;
}

}  // namespace blobsmith
