// The current local time, broken down into calendar fields.
#ifndef BLOBSMITH_PLATFORM_LOCAL_TIME_H_
#define BLOBSMITH_PLATFORM_LOCAL_TIME_H_

namespace blobsmith {

struct LocalTime {
  int year;    // e.g. 2026
  int month;   // 1 to 12
  int day;     // 1 to 31
  int hour;    // 0 to 23
  int minute;  // 0 to 59
};

// Fills now with the local time. Returns 0, or -1 when the platform cannot
// give it (now is then left unchanged).
int local_time_now(LocalTime* now);

}  // namespace blobsmith

#endif  // BLOBSMITH_PLATFORM_LOCAL_TIME_H_
