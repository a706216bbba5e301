// The stamps of a pack.
#include "pack/stamp.h"

#include <cstdio>
#include <cstring>

namespace blobsmith {

int parse_epoch_seconds(const char* text, int64_t* seconds) {
  if (text[0] == '\0') return -1;
  int64_t value = 0;
  bool too_late = false;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return -1;
    // Once past the limit the value is no longer kept, so it cannot wrap.
    if (!too_late) value = value * 10 + (*p - '0');
    too_late = too_late || value > MAX_STAMP_SECONDS;
  }
  if (too_late) return -2;
  *seconds = value;
  return 0;
}

LocalTime utc_fields(const int64_t seconds) {
  const int64_t days = seconds / 86400;
  const int64_t in_day = seconds % 86400;
  // Days since 1970-01-01 to a proleptic Gregorian date, counted in 400-year
  // eras from 0000-03-01 so that the leap day ends each year.
  const int64_t z = days + 719468;
  const int64_t era = z / 146097;
  const int64_t day_of_era = z - era * 146097;
  const int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t month_index = (5 * day_of_year + 2) / 153;  // 0 is March
  LocalTime time;
  time.day = static_cast<int>(day_of_year - (153 * month_index + 2) / 5 + 1);
  time.month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
  time.year = static_cast<int>(year_of_era + era * 400 + (time.month <= 2 ? 1 : 0));
  time.hour = static_cast<int>(in_day / 3600);
  time.minute = static_cast<int>(in_day % 3600 / 60);
  return time;
}

void stamp_header(const LocalTime& time, PackHeader* header) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%04d%02d%02d%02d%02d", time.year, time.month, time.day,
                time.hour, time.minute);
  std::memcpy(header->date_stamp, digits, HEADER_DATE_STAMP_SIZE);
  std::memcpy(header->time_stamp, digits + HEADER_DATE_STAMP_SIZE, HEADER_TIME_STAMP_SIZE);
}

}  // namespace blobsmith
