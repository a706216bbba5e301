// The date and time a pack is stamped with: the local clock, or, for
// reproducible packs, the instant SOURCE_DATE_EPOCH names, in UTC.
#ifndef BLOBSMITH_PACK_STAMP_H_
#define BLOBSMITH_PACK_STAMP_H_

#include <cstdint>

#include "format/pack_format.h"
#include "platform/local_time.h"

namespace blobsmith {

// The latest instant the four year digits of a stamp can hold:
// 9999-12-31 23:59:59 UTC.
constexpr int64_t MAX_STAMP_SECONDS = 253402300799;

// Reads text as a plain decimal number of seconds since 1970-01-01 00:00
// UTC: digits only, no sign, no spaces, at most MAX_STAMP_SECONDS.
// Returns 0 and fills *seconds, -2 when text is a plain number past
// MAX_STAMP_SECONDS (the year would need five digits), or -1 when text is
// anything else.
int parse_epoch_seconds(const char* text, int64_t* seconds);

// The UTC calendar fields of an instant given in seconds since 1970.
// REQUIRES: 0 <= seconds <= MAX_STAMP_SECONDS.
LocalTime utc_fields(int64_t seconds);

// Writes the stamps of time into header: "YYYYMMDD" and "HHMM".
void stamp_header(const LocalTime& time, PackHeader* header);

}  // namespace blobsmith

#endif  // BLOBSMITH_PACK_STAMP_H_
