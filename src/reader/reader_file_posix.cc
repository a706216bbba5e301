// The run-time reader's file on POSIX systems: pread on one descriptor.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "reader/reader_file.h"

namespace blobsmith {

int reader_file_open(const char* path, ReaderFile* file) {
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  file->handle = fd;
  file->size = static_cast<uint64_t>(info.st_size);
  return 0;
}

int64_t reader_file_read_at(void* file, uint64_t offset, void* buffer, size_t length) {
  const int fd = static_cast<int>(static_cast<const ReaderFile*>(file)->handle);
  unsigned char* into = static_cast<unsigned char*>(buffer);
  int64_t copied = 0;
  while (length > 0) {
    const ssize_t got = ::pread(fd, into, length, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    into += got;
    length -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
    copied += got;
  }
  return copied;
}

void reader_file_close(ReaderFile* file) { ::close(static_cast<int>(file->handle)); }

}  // namespace blobsmith
