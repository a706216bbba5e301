// The file and directory seam on POSIX systems: files opened for reading
// only are read through a buffer of our own with pread, other files are
// stdio streams; both buffers are large and page-aligned. Directories go
// through opendir/readdir, mkdir and lstat.
#include "platform/io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// A file open for writing or updating is a stdio stream. A file open for
// reading only (stream is nullptr) keeps its own position and reads whole
// buffers at that position: unlike a stream it needs no system call to
// seek, to tell or to close beyond close itself, which counts when a pack
// run opens thousands of small sources.
struct IoFile {
  std::FILE* stream;
  void* buffer;
  int fd;
  int64_t position;      // where the next read starts
  int64_t window_start;  // file offset of the buffer's first byte
  size_t window_length;  // bytes of the file held in the buffer
};

struct DirSearch {
  DIR* handle;
  int dir_fd;
};

namespace {

IoFile* wrap_stream(std::FILE* stream) {
  if (stream == nullptr) return nullptr;
  IoFile* file = static_cast<IoFile*>(std::malloc(sizeof(IoFile)));
  if (file == nullptr) {
    std::fclose(stream);
    return nullptr;
  }
  file->stream = stream;
  file->fd = -1;
  file->position = 0;
  file->window_start = 0;
  file->window_length = 0;
  // A larger buffer than stdio's default turns the 512-byte records into
  // few system calls; without it the stream keeps its own default buffer.
  file->buffer = allocate_pages(IO_STREAM_BUFFER_SIZE);
  if (file->buffer != nullptr &&
      std::setvbuf(stream, static_cast<char*>(file->buffer), _IOFBF, IO_STREAM_BUFFER_SIZE) != 0) {
    free_pages(file->buffer);
    file->buffer = nullptr;
  }
  return file;
}

// A reader over fd, or nullptr when no buffer or record can be had (the
// caller then falls back to a stream).
IoFile* make_reader(const int fd) {
  void* buffer = allocate_pages(IO_STREAM_BUFFER_SIZE);
  if (buffer == nullptr) return nullptr;
  IoFile* file = static_cast<IoFile*>(std::malloc(sizeof(IoFile)));
  if (file == nullptr) {
    free_pages(buffer);
    return nullptr;
  }
  file->stream = nullptr;
  file->buffer = buffer;
  file->fd = fd;
  file->position = 0;
  file->window_start = 0;
  file->window_length = 0;
  return file;
}

// pread of up to length bytes at offset, retried when interrupted. Returns
// the bytes read, 0 at the end of the file, or -1 on failure.
ssize_t read_at(const int fd, void* into, const size_t length, const int64_t offset) {
  for (;;) {
    const ssize_t got = ::pread(fd, into, length, static_cast<off_t>(offset));
    if (got >= 0 || errno != EINTR) return got;
  }
}

// Copies up to length bytes from the reader's position, as fread would:
// from the buffer while it holds the position, refilling it a whole buffer
// at a time, and reading a large remainder straight into the destination.
// Returns the bytes copied; fewer than length at the end of the file or
// after a failed read.
size_t read_bytes(IoFile* file, unsigned char* into, const size_t length) {
  const auto* window = static_cast<const unsigned char*>(file->buffer);
  size_t copied = 0;
  while (copied < length) {
    const int64_t window_end = file->window_start + static_cast<int64_t>(file->window_length);
    if (file->position >= file->window_start && file->position < window_end) {
      const size_t offset = static_cast<size_t>(file->position - file->window_start);
      size_t piece = file->window_length - offset;
      if (piece > length - copied) piece = length - copied;
      std::memcpy(into + copied, window + offset, piece);
      copied += piece;
      file->position += static_cast<int64_t>(piece);
      continue;
    }
    if (length - copied >= IO_STREAM_BUFFER_SIZE) {
      const ssize_t got = read_at(file->fd, into + copied, length - copied, file->position);
      if (got <= 0) break;
      copied += static_cast<size_t>(got);
      file->position += got;
      continue;
    }
    const ssize_t got = read_at(file->fd, file->buffer, IO_STREAM_BUFFER_SIZE, file->position);
    if (got <= 0) break;
    file->window_start = file->position;
    file->window_length = static_cast<size_t>(got);
  }
  return copied;
}

int seek_reader(IoFile* file, const int64_t offset, const int origin) {
  int64_t base = 0;
  if (origin == SEEK_CUR) {
    base = file->position;
  } else if (origin == SEEK_END) {
    struct stat info;
    if (::fstat(file->fd, &info) != 0) return -1;
    base = static_cast<int64_t>(info.st_size);
  } else if (origin != SEEK_SET) {
    return -1;
  }
  // As for lseek: no position before the start, none beyond what off_t holds.
  if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0) return -1;
  const int64_t target = base + offset;
  if (static_cast<int64_t>(static_cast<off_t>(target)) != target) return -1;
  file->position = target;
  return 0;
}

PathKind kind_of_mode(const mode_t mode) {
  if (S_ISREG(mode)) return PATH_REGULAR;
  if (S_ISDIR(mode)) return PATH_DIRECTORY;
  if (S_ISLNK(mode)) return PATH_LINK;
  return PATH_OTHER;
}

}  // namespace

extern "C" {

IoFile* io_open(const char* path, const char* mode) {
  int flags = O_CLOEXEC;
  if (std::strcmp(mode, "rb") == 0) {
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
    flags |= O_RDONLY | O_NONBLOCK;
  } else if (std::strcmp(mode, "wb") == 0) {
    flags |= O_WRONLY | O_CREAT | O_TRUNC;
  } else if (std::strcmp(mode, "rb+") == 0) {
    flags |= O_RDWR | O_NONBLOCK;
  } else {
    return nullptr;
  }
  const int fd = ::open(path, flags, 0666);
  if (fd < 0) return nullptr;
  if ((flags & O_NONBLOCK) != 0) {
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
      ::close(fd);
      return nullptr;
    }
    // O_NONBLOCK stays: it has no effect on a regular file, and clearing it
    // would cost a system call per file.
    if ((flags & O_ACCMODE) == O_RDONLY) {
      IoFile* reader = make_reader(fd);
      if (reader != nullptr) return reader;
    }
  }
  std::FILE* stream = ::fdopen(fd, mode);
  if (stream == nullptr) {
    ::close(fd);
    return nullptr;
  }
  IoFile* file = wrap_stream(stream);
  // A stream opened on a descriptor does not know its position until it
  // seeks once; until then every tell asks the system. A pack output is
  // asked for its position once per member, so it learns it here.
  if (file != nullptr && (flags & O_CREAT) != 0) ::fseeko(stream, 0, SEEK_CUR);
  return file;
}

IoFile* io_create_member(const char* path) {
  // O_NOFOLLOW refuses a symbolic link at path; O_NONBLOCK keeps a FIFO
  // from blocking, and the regular-file check refuses it. The file is
  // truncated only once it is known to be a regular file, and only when it
  // holds something: truncating a file that is already empty would have
  // some file systems (ext4) start writing its new data out at close, as
  // they do for a file replaced by truncation, which slows unpacking.
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
      (info.st_size != 0 && ::ftruncate(fd, 0) != 0)) {
    ::close(fd);
    return nullptr;
  }
  // O_NONBLOCK has no effect on a regular file; it is left set.
  std::FILE* stream = ::fdopen(fd, "wb");
  if (stream == nullptr) {
    ::close(fd);
    return nullptr;
  }
  return wrap_stream(stream);
}

size_t io_read(void* buffer, const size_t size, const size_t count, IoFile* file) {
  if (file->stream != nullptr) return std::fread(buffer, size, count, file->stream);
  if (size == 0 || count == 0) return 0;
  const size_t records = count > SIZE_MAX / size ? SIZE_MAX / size : count;
  return read_bytes(file, static_cast<unsigned char*>(buffer), records * size) / size;
}

size_t io_write(const void* buffer, const size_t size, const size_t count, IoFile* file) {
  return std::fwrite(buffer, size, count, file->stream);
}

int io_seek(IoFile* file, const int64_t offset, const int origin) {
  if (file->stream == nullptr) return seek_reader(file, offset, origin);
  if (static_cast<int64_t>(static_cast<off_t>(offset)) != offset) return -1;
  return ::fseeko(file->stream, static_cast<off_t>(offset), origin) == 0 ? 0 : -1;
}

int64_t io_tell(IoFile* file) {
  if (file->stream == nullptr) return file->position;
  const off_t position = ::ftello(file->stream);
  return position < 0 ? -1 : static_cast<int64_t>(position);
}

int io_close(IoFile* file) {
  const int result = file->stream != nullptr ? std::fclose(file->stream) : ::close(file->fd);
  free_pages(file->buffer);
  std::free(file);
  return result == 0 ? 0 : -1;
}

DirSearch* dir_search_open(const char* dir) {
  DIR* handle = ::opendir(dir);
  if (handle == nullptr) return nullptr;
  DirSearch* search = static_cast<DirSearch*>(std::malloc(sizeof(DirSearch)));
  if (search == nullptr) {
    ::closedir(handle);
    return nullptr;
  }
  search->handle = handle;
  search->dir_fd = ::dirfd(handle);
  return search;
}

int dir_search_next(DirSearch* search, DirEntryInfo* info) {
  errno = 0;
  const struct dirent* entry = ::readdir(search->handle);
  if (entry == nullptr) return 0;
  info->name = entry->d_name;
  // Most file systems say in the entry itself what it is; only links and
  // entries of unknown type need a look at what they name.
  if (entry->d_type == DT_REG || entry->d_type == DT_DIR) {
    info->kind = entry->d_type == DT_REG ? PATH_REGULAR : PATH_DIRECTORY;
    return 1;
  }
  // Follow links as opening the entry would; a dangling link stays a link.
  struct stat target;
  if (::fstatat(search->dir_fd, entry->d_name, &target, 0) == 0) {
    info->kind = kind_of_mode(target.st_mode);
  } else if (::fstatat(search->dir_fd, entry->d_name, &target, AT_SYMLINK_NOFOLLOW) == 0) {
    info->kind = kind_of_mode(target.st_mode);
  } else {
    info->kind = PATH_MISSING;
  }
  return 1;
}

void dir_search_close(DirSearch* search) {
  ::closedir(search->handle);
  std::free(search);
}

int make_directory(const char* path) {
  return ::mkdir(path, 0777) == 0 ? 0 : -1;
}

}  // extern "C"

PathKind path_kind(const char* path) {
  struct stat info;
  if (::lstat(path, &info) != 0) return PATH_MISSING;
  return kind_of_mode(info.st_mode);
}

int file_identity(const char* path, FileIdentity* identity) {
  struct stat info;
  if (::stat(path, &info) != 0) return -1;
  identity->device = static_cast<uint64_t>(info.st_dev);
  identity->object = static_cast<uint64_t>(info.st_ino);
  return 0;
}

bool is_platform_separator(const char c) { return c == '/'; }

char platform_separator() { return '/'; }

void prepare_process_io() { std::signal(SIGXFSZ, SIG_IGN); }

// The pages come from the ordinary heap, aligned by hand, rather than from
// an aligned allocation: the heap hands a freed stream buffer straight to the
// next file, where an aligned allocation of this size gets a mapping of its
// own that is made, faulted in and torn down for every file, which costs
// more than reading a small file. The address of the heap block is kept
// just before the aligned start.
void* allocate_pages(const size_t size) {
  const long page = ::sysconf(_SC_PAGESIZE);
  const size_t alignment = page > 0 ? static_cast<size_t>(page) : 4096;
  if (size > SIZE_MAX - alignment) return nullptr;
  unsigned char* block = static_cast<unsigned char*>(std::malloc(size + alignment));
  if (block == nullptr) return nullptr;
  const uintptr_t first_usable = reinterpret_cast<uintptr_t>(block) + sizeof(void*);
  unsigned char* pages =
      block + sizeof(void*) + (alignment - first_usable % alignment) % alignment;
  std::memcpy(pages - sizeof(void*), &block, sizeof(void*));
  return pages;
}

void free_pages(void* pages) {
  if (pages == nullptr) return;
  void* block = nullptr;
  std::memcpy(&block, static_cast<unsigned char*>(pages) - sizeof(void*), sizeof(void*));
  std::free(block);
}
