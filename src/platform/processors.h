// How many processors the tool may keep busy at once: what the system lets
// this process run on, not what the machine has. A container or a service
// limited to two processors' worth of time on a 64-processor machine gets
// two, so a run with one worker per processor does not oversubscribe it.
#ifndef BLOBSMITH_PLATFORM_PROCESSORS_H_
#define BLOBSMITH_PLATFORM_PROCESSORS_H_

#include <cstddef>

namespace blobsmith {

// The processors this process may run on: its CPU affinity, reduced to the
// CPU quota a cgroup sets (cgroup v2 cpu.max of the process's own cgroup and
// each ancestor, or v1 cpu.cfs_quota_us / cpu.cfs_period_us), rounded up, at
// least 1. On Windows, the processors of the process's affinity mask (at
// least 1).
int usable_processors();

#ifndef _WIN32
// The processors a cgroup v2 "cpu.max" text ("max 100000", "150000 100000\n")
// allows, rounded up (1.5 -> 2), or 0 when it sets no limit or cannot be
// read.
int processors_of_cpu_max(const char* text);

// The same for cgroup v1: quota and period as read from cpu.cfs_quota_us and
// cpu.cfs_period_us (quota -1: no limit). 0 for no limit.
int processors_of_cfs(long long quota, long long period);
#endif

#ifdef __linux__
// The smallest CPU quota, in processors, of the cgroups that cgroups (the
// text of /proc/self/cgroup, lines "id:controllers:path") names, from each
// cgroup up to its hierarchy's root: "0::path" under v2_root, and a v1
// hierarchy whose controllers hold "cpu" under each of the v1_root_count
// v1_roots. 0 when none sets a limit.
int cgroup_quota_processors(const char* cgroups, const char* v2_root, const char* const* v1_roots,
                            size_t v1_root_count);
#endif

}  // namespace blobsmith

#endif  // BLOBSMITH_PLATFORM_PROCESSORS_H_
