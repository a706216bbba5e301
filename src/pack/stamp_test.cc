// Stamps from SOURCE_DATE_EPOCH: what is accepted and the calendar in UTC.
#include "pack/stamp.h"

#include <gtest/gtest.h>

#include <string>

namespace blobsmith {
namespace {

std::string stamp_of(const int64_t seconds) {
  PackHeader header = make_header();
  stamp_header(utc_fields(seconds), &header);
  return std::string(header.date_stamp, 8) + std::string(header.time_stamp, 4);
}

TEST(Stamp, EpochSecondsInUtc) {
  EXPECT_EQ(stamp_of(0), "197001010000");
  EXPECT_EQ(stamp_of(951782399), "200002282359");  // a leap year of the 400 rule
  EXPECT_EQ(stamp_of(951782400), "200002290000");
  EXPECT_EQ(stamp_of(1709251199), "202402292359");
  EXPECT_EQ(stamp_of(1798761599), "202612312359");
  EXPECT_EQ(stamp_of(1798761600), "202701010000");
  EXPECT_EQ(stamp_of(4107542400), "210003010000");  // 2100 is not a leap year
  EXPECT_EQ(stamp_of(MAX_STAMP_SECONDS), "999912312359");
}

TEST(Stamp, OnlyPlainDecimalSecondsAreAccepted) {
  int64_t seconds = -1;
  EXPECT_EQ(parse_epoch_seconds("1700000000", &seconds), 0);
  EXPECT_EQ(seconds, 1700000000);
  EXPECT_EQ(parse_epoch_seconds("0", &seconds), 0);
  EXPECT_EQ(seconds, 0);
  EXPECT_EQ(parse_epoch_seconds("253402300799", &seconds), 0);
  for (const char* bad : {"", "-1", "+1", " 1", "1 ", "1e9", "0x10", "253402300800",
                          "99999999999999999999999"}) {
    EXPECT_EQ(parse_epoch_seconds(bad, &seconds), -1) << bad;
  }
}

}  // namespace
}  // namespace blobsmith
