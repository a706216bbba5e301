// The fuzz targets' check that aborts with its place, and standard output
// sent nowhere (printing a line for most problems would slow every run).
#ifndef BLOBSMITH_FUZZ_FUZZ_CHECK_H_
#define BLOBSMITH_FUZZ_FUZZ_CHECK_H_

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                               \
  ((condition) ? (void)0                                                                    \
               : (std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, \
                               #condition),                                                 \
                  std::abort()))

// Points standard output at /dev/null for the rest of the process.
inline void silence_stdout() {
  std::fflush(stdout);
  const int sink = ::open("/dev/null", O_WRONLY);
  ::dup2(sink, 1);
  ::close(sink);
}

#endif  // BLOBSMITH_FUZZ_FUZZ_CHECK_H_
