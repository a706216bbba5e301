// Stamps from SOURCE_DATE_EPOCH: what is accepted and the calendar in UTC.
#include "pack/stamp.h"

#include <gtest/gtest.h>

#include <string>

namespace blobsmith {
namespace {

TEST(Stamp, EpochSecondsInUtc) {
  const struct {
    int64_t seconds;
    const char* stamp;
  } cases[] = {{0, "197001010000"},
               {951782399, "200002282359"},  // 2000 leaps
               {951782400, "200002290000"},
               {1709251199, "202402292359"},
               {1798761599, "202612312359"},
               {1798761600, "202701010000"},
               {4107542400, "210003010000"},  // 2100 does not leap
               {1777593600, "202605010000"},  // the 61st day after March 1
               {MAX_STAMP_SECONDS, "999912312359"}};
  for (const auto& c : cases) {
    PackHeader header = make_header();
    stamp_header(utc_fields(c.seconds), &header);
    EXPECT_EQ(std::string(header.date_stamp, 8) + std::string(header.time_stamp, 4), c.stamp);
  }
  int64_t seconds = -1;
  EXPECT_EQ(parse_epoch_seconds("1700000000", &seconds), 0);
  EXPECT_EQ(seconds, 1700000000);
  EXPECT_EQ(parse_epoch_seconds("253402300799", &seconds), 0);
  for (const char* bad : {"", "-1", "+1", " 1", "1 ", "1e9", "0x10", "99999999999999999999x"}) {
    EXPECT_EQ(parse_epoch_seconds(bad, &seconds), -1) << bad;
  }
  for (const char* late : {"253402300800", "99999999999999999999999"}) {
    EXPECT_EQ(parse_epoch_seconds(late, &seconds), -2) << late;
  }
}

}  // namespace
}  // namespace blobsmith
