// The few POSIX calls the unit tests make, for their Windows build (the
// header is put before every test source there). Directories are made with
// the runtime's _mkdir. Symbolic links and FIFOs cannot be made here: the
// tests that need them are skipped before they get that far, and these
// stand-ins only let those tests compile.
#ifndef BLOBSMITH_TESTS_WINDOWS_POSIX_TEST_COMPAT_H_
#define BLOBSMITH_TESTS_WINDOWS_POSIX_TEST_COMPAT_H_

#include <direct.h>
#include <io.h>
#include <sys/stat.h>

inline int mkdir(const char* path, int /*mode*/) { return _mkdir(path); }
inline int symlink(const char* /*target*/, const char* /*path*/) { return -1; }
inline int mkfifo(const char* /*path*/, int /*mode*/) { return -1; }

#endif  // BLOBSMITH_TESTS_WINDOWS_POSIX_TEST_COMPAT_H_
