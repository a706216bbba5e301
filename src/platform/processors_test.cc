// Processors from cgroup quota texts, and the count the tool is given.
#include "platform/processors.h"

#include <gtest/gtest.h>

#include <climits>
#include <thread>

namespace blobsmith {
namespace {

#ifndef _WIN32
TEST(Processors, QuotasRoundUp) {
  const struct {
    const char* text;
    int processors;
  } cpu_max[] = {{"max 100000", 0},
                 {"max 100000\n", 0},
                 {"100000 100000\n", 1},
                 {"150000 100000\n", 2},  // 1.5 rounds up
                 {"200000 100000", 2},
                 {"200001 100000", 3},
                 {"1000 100000\n", 1},  // the smallest quota still leaves one
                 {"400000 50000\n", 8},
                 {"999999999999999999 1", 2147483647},
                 {"", 0},
                 {"\n", 0},
                 {"100000", 0},  // no period
                 {"100000 \n", 0},
                 {"100000  100000", 0},
                 {"0 100000", 0},
                 {"100000 0", 0},
                 {"-1 100000", 0},
                 {"100000 -1", 0},
                 {"1e5 100000", 0},
                 {"150000 100000 7", 0},
                 {"9999999999999999999 100000", 0},  // more digits than a quota has
                 {"maxx 100000", 0}};
  for (const auto& c : cpu_max) {
    EXPECT_EQ(processors_of_cpu_max(c.text), c.processors) << '"' << c.text << '"';
  }
  EXPECT_EQ(processors_of_cpu_max(nullptr), 0);

  const struct {
    long long quota, period;
    int processors;
  } cfs[] = {{-1, 100000, 0},           {0, 100000, 0},      {100000, 0, 0},
             {100000, -1, 0},           {50000, 100000, 1},  {100000, 100000, 1},
             {250000, 100000, 3},       {300000, 100000, 3}, {1, 1, 1},
             {LLONG_MAX, 1, 2147483647}};
  for (const auto& c : cfs) {
    EXPECT_EQ(processors_of_cfs(c.quota, c.period), c.processors) << c.quota << "/" << c.period;
  }
}
#endif

TEST(Processors, AtLeastOneAndNoMoreThanTheMachineHas) {
  const int usable = usable_processors();
  EXPECT_GE(usable, 1);
  const unsigned machine = std::thread::hardware_concurrency();
  if (machine > 0) {
    EXPECT_LE(static_cast<unsigned>(usable), machine);
  }
}

}  // namespace
}  // namespace blobsmith
