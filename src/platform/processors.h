// How many processors the tool may keep busy at once: what the system lets
// this process run on, not what the machine has. A container or a service
// limited to two processors' worth of time on a 64-processor machine gets
// two, so a run with one worker per processor does not oversubscribe it.
#ifndef BLOBSMITH_PLATFORM_PROCESSORS_H_
#define BLOBSMITH_PLATFORM_PROCESSORS_H_

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

}  // namespace blobsmith

#endif  // BLOBSMITH_PLATFORM_PROCESSORS_H_
