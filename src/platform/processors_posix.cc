// Usable processors on POSIX systems. On Linux: the affinity mask, then
// every cgroup CPU quota from the process's own cgroup up to the root of the
// hierarchy as mounted here; the smallest wins. The control files are read
// with plain open and read into fixed buffers; a file that cannot be read,
// or reads as something else, sets no limit.
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>

#include "platform/processors.h"

namespace blobsmith {

namespace {

// Reads the decimal integer (with an optional '-') at *text and moves past
// it. Returns false when there is none or it has more digits than a
// control file ever holds.
bool take_integer(const char** text, long long* value) {
  const char* at = *text;
  const bool negative = *at == '-';
  if (negative) ++at;
  long long magnitude = 0;
  int digits = 0;
  for (; *at >= '0' && *at <= '9'; ++at) {
    if (++digits > 18) return false;
    magnitude = magnitude * 10 + (*at - '0');
  }
  if (digits == 0) return false;
  *value = negative ? -magnitude : magnitude;
  *text = at;
  return true;
}

// True when only white space is left.
bool at_end(const char* text) {
  for (; *text != '\0'; ++text) {
    if (*text != '\n' && *text != ' ' && *text != '\t' && *text != '\r') return false;
  }
  return true;
}

#ifdef __linux__
// The cgroup hierarchies' mount points; v1's cpu controller is found under
// either name, depending on the distribution.
constexpr const char* kCgroupRoot = "/sys/fs/cgroup";
constexpr const char* kCpuV1Roots[] = {"/sys/fs/cgroup/cpu,cpuacct", "/sys/fs/cgroup/cpu"};
// The longest cgroup directory path looked at, its terminator included.
constexpr size_t kCgroupPathSize = 4096;
// The most of /proc/self/cgroup read: a line per v1 hierarchy, a dozen at
// most, and one for v2.
constexpr size_t kCgroupListSize = 16384;
// The most of one control file read.
constexpr size_t kControlFileSize = 128;

// Reads the file at path into text (size bytes, terminator included).
// Returns false when it cannot be read.
bool read_text(const char* path, char* text, const size_t size) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  size_t length = 0;
  bool failed = false;
  while (length + 1 < size) {
    const ssize_t got = ::read(fd, text + length, size - 1 - length);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      failed = got < 0;
      break;
    }
    length += static_cast<size_t>(got);
  }
  ::close(fd);
  text[length] = '\0';
  return !failed;
}

// Reads the control file called name (with its leading '/') in dir, whose
// path of dir_length bytes stands in a buffer of kCgroupPathSize bytes, into
// text; dir is left as it was. Returns false when it cannot be read.
bool read_control(char* dir, const size_t dir_length, const char* name,
                  char (&text)[kControlFileSize]) {
  const size_t name_length = std::strlen(name);
  if (dir_length + name_length >= kCgroupPathSize) return false;
  std::memcpy(dir + dir_length, name, name_length + 1);
  const bool seen = read_text(dir, text, sizeof text);
  dir[dir_length] = '\0';
  return seen;
}

// Reads the single integer a v1 control file holds.
bool read_integer(char* dir, const size_t dir_length, const char* name, long long* value) {
  char text[kControlFileSize];
  const char* at = text;
  return read_control(dir, dir_length, name, text) && take_integer(&at, value) && at_end(at);
}

// The processors the control files in dir allow: cpu.max, or the v1 pair.
int limit_in(char* dir, const size_t dir_length, const bool v1) {
  if (!v1) {
    char text[kControlFileSize];
    return read_control(dir, dir_length, "/cpu.max", text) ? processors_of_cpu_max(text) : 0;
  }
  long long quota = 0;
  long long period = 0;
  return read_integer(dir, dir_length, "/cpu.cfs_quota_us", &quota) &&
                 read_integer(dir, dir_length, "/cpu.cfs_period_us", &period)
             ? processors_of_cfs(quota, period)
             : 0;
}

// True when a level of the cgroup path is "..": it lies outside the
// hierarchy as this process sees it.
bool climbs(const char* cgroup, const size_t length) {
  for (size_t start = 0; start < length;) {
    const char* slash = static_cast<const char*>(std::memchr(cgroup + start, '/', length - start));
    const size_t end = slash == nullptr ? length : static_cast<size_t>(slash - cgroup);
    if (end - start == 2 && cgroup[start] == '.' && cgroup[start + 1] == '.') return true;
    start = end + 1;
  }
  return false;
}

// The smallest limit from root + cgroup up to root itself, or 0 for none. A
// cgroup path that climbs cannot be found under root and sets none.
int smallest_limit_from(const char* root, const char* cgroup, const size_t cgroup_length,
                        const bool v1) {
  const size_t root_length = std::strlen(root);
  char dir[kCgroupPathSize];
  if (root_length + cgroup_length >= sizeof dir || climbs(cgroup, cgroup_length)) return 0;
  std::memcpy(dir, root, root_length);
  std::memcpy(dir + root_length, cgroup, cgroup_length);
  size_t length = root_length + cgroup_length;
  dir[length] = '\0';
  while (length > root_length && dir[length - 1] == '/') dir[--length] = '\0';
  int smallest = 0;
  for (;;) {
    const int limit = limit_in(dir, length, v1);
    if (limit > 0 && (smallest == 0 || limit < smallest)) smallest = limit;
    if (length == root_length) return smallest;
    while (length > root_length && dir[length - 1] != '/') --length;
    while (length > root_length && dir[length - 1] == '/') --length;
    dir[length] = '\0';
  }
}

// True when the comma-separated list of length bytes names the cpu
// controller.
bool names_cpu(const char* list, const size_t length) {
  size_t start = 0;
  while (start <= length) {
    const char* comma = static_cast<const char*>(std::memchr(list + start, ',', length - start));
    const size_t end = comma == nullptr ? length : static_cast<size_t>(comma - list);
    if (end - start == 3 && std::memcmp(list + start, "cpu", 3) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

int cgroup_quota_processors(const char* cgroups, const char* v2_root, const char* const* v1_roots,
                            const size_t v1_root_count) {
  int smallest = 0;
  for (const char* line = cgroups; *line != '\0';) {
    const char* end = std::strchr(line, '\n');
    // A line cut off by the buffer's end is not read.
    if (end == nullptr) break;
    const size_t line_length = static_cast<size_t>(end - line);
    const char* first = static_cast<const char*>(std::memchr(line, ':', line_length));
    const char* second = first == nullptr
                             ? nullptr
                             : static_cast<const char*>(std::memchr(
                                   first + 1, ':', static_cast<size_t>(end - first - 1)));
    if (second != nullptr) {
      const size_t path_length = static_cast<size_t>(end - second - 1);
      const size_t controllers = static_cast<size_t>(second - first - 1);
      int limit = 0;
      if (first - line == 1 && line[0] == '0' && controllers == 0) {
        limit = smallest_limit_from(v2_root, second + 1, path_length, false);
      } else if (names_cpu(first + 1, controllers)) {
        for (size_t r = 0; r < v1_root_count; ++r) {
          const int found = smallest_limit_from(v1_roots[r], second + 1, path_length, true);
          if (found > 0 && (limit == 0 || found < limit)) limit = found;
        }
      }
      if (limit > 0 && (smallest == 0 || limit < smallest)) smallest = limit;
    }
    line = end + 1;
  }
  return smallest;
}

namespace {

// The smallest CPU quota of the cgroups this process is in, or 0 for none.
int cgroup_limit() {
  char list[kCgroupListSize];
  if (!read_text("/proc/self/cgroup", list, sizeof list)) return 0;
  return cgroup_quota_processors(list, kCgroupRoot, kCpuV1Roots,
                                 sizeof kCpuV1Roots / sizeof kCpuV1Roots[0]);
}

// The processors in the affinity mask, with a mask as large as the kernel's.
int affinity_processors() {
  for (size_t processors = CPU_SETSIZE; processors <= (size_t{1} << 20); processors *= 2) {
    cpu_set_t* set = CPU_ALLOC(processors);
    if (set == nullptr) break;
    const size_t size = CPU_ALLOC_SIZE(processors);
    const bool known = ::sched_getaffinity(0, size, set) == 0;
    const int error = errno;
    const int count = known ? CPU_COUNT_S(size, set) : 0;
    CPU_FREE(set);
    if (known) return count;
    if (error != EINVAL) break;  // EINVAL: the kernel's mask is larger
  }
  const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 && online < INT_MAX ? static_cast<int>(online) : 1;
}
#endif

}  // namespace

int processors_of_cfs(const long long quota, const long long period) {
  if (quota <= 0 || period <= 0) return 0;
  const long long whole = quota / period + (quota % period != 0 ? 1 : 0);
  return whole > INT_MAX ? INT_MAX : static_cast<int>(whole);
}

int processors_of_cpu_max(const char* text) {
  if (text == nullptr) return 0;
  long long quota = 0;
  long long period = 0;
  // "max" (no limit) is not a number and gives 0 below like any other text.
  if (!take_integer(&text, &quota) || *text != ' ') return 0;
  ++text;
  if (!take_integer(&text, &period) || !at_end(text)) return 0;
  return processors_of_cfs(quota, period);
}

int usable_processors() {
#ifdef __linux__
  const int affinity = affinity_processors();
  const int quota = cgroup_limit();
  const int usable = quota > 0 && quota < affinity ? quota : affinity;
#else
  const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
  const int usable = online > 0 && online < INT_MAX ? static_cast<int>(online) : 1;
#endif
  return usable > 0 ? usable : 1;
}

}  // namespace blobsmith
