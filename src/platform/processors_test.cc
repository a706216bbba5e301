// Processors from cgroup quota texts, and the count the tool is given.
#include "platform/processors.h"

#include <gtest/gtest.h>
#ifdef __linux__
#include <unistd.h>
#endif
#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace blobsmith {
namespace {

#ifndef _WIN32
TEST(Processors, QuotasRoundUp) {
  const struct {
    const char* text;
    int processors;
  } cpu_max[] = {{"max 100000", 0},
                 {"100000 100000\n", 1},
                 {"150000 100000\n", 2},  // 1.5 rounds up
                 {"200001 100000", 3},
                 {"1000 100000\n", 1},  // the smallest quota still leaves one
                 {"400000 50000\n", 8},
                 {"999999999999999999 1", 2147483647},
                 {"", 0},
                 {"100000", 0},  // no period
                 {"100000  100000", 0},
                 {"0 100000", 0},
                 {"100000 0", 0},
                 {"-1 100000", 0},
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

#ifdef __linux__
// Quotas found from a process's cgroups up to each hierarchy's root, in a
// tree of control files made for the test: the smallest wins.
TEST(Processors, CgroupQuotasFromEachLevel) {
  const std::filesystem::path top =
      std::filesystem::temp_directory_path() / ("blobsmith-cgroup-" + std::to_string(getpid()));
  const auto control = [&](const std::string& file, const std::string& text) {
    std::filesystem::create_directories((top / file).parent_path());
    std::ofstream(top / file) << text;
  };
  control("v2/cpu.max", "max 100000\n");
  control("v2/a/cpu.max", "200000 100000\n");
  control("v2/a/b/cpu.max", "300000 100000\n");
  control("v2/c/cpu.max", "max 100000\n");
  control("v1/s/cpu.cfs_quota_us", "50000\n");
  control("v1/s/cpu.cfs_period_us", "100000\n");
  control("v1/t/cpu.cfs_quota_us", "-1\n");
  control("v1/t/cpu.cfs_period_us", "100000\n");
  const std::string v2 = (top / "v2").string();
  const std::string missing = (top / "none").string();
  const std::string v1 = (top / "v1").string();
  const char* const v1_roots[] = {missing.c_str(), v1.c_str()};
  const struct {
    const char* cgroups;
    int processors;
  } cases[] = {
      {"0::/a/b\n", 2},  // the parent's quota is smaller
      {"0::/a/b/\n", 2},
      {"0::/c\n", 0},
      {"0::/\n", 0},
      {"0::/../a\n", 0},  // outside the hierarchy seen here
      {"0::/a/b", 0},     // a line cut off
      {"3:cpu,cpuacct:/s\n", 1},
      {"3:cpuacct,cpu:/s\n0::/a\n", 1},
      {"4:cpuacct:/s\n5:cpus:/s\n", 0},  // not the cpu controller
      {"3:cpu:/t\n0::/a/b\n", 2},
      {"7:0::/a\n1::/a\n", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cgroup_quota_processors(c.cgroups, v2.c_str(), v1_roots, 2), c.processors)
        << c.cgroups;
  }
  std::filesystem::remove_all(top);
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
