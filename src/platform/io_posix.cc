// The file and directory seam on POSIX systems: stdio streams with large
// page-aligned buffers, opendir/readdir, mkdir and lstat.
#include "platform/io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct IoFile {
  std::FILE* stream;
  void* buffer;
};

struct DirSearch {
  DIR* handle;
  int dir_fd;
};

namespace {

// Stream buffers given back by closed files, kept for the next stream. A
// pack run opens its sources one after another, and a fresh allocation of
// this size each time would be mapped, faulted in page by page and unmapped
// again: for small files that costs more than reading them. At most this
// many are kept, so memory stays bounded.
constexpr int kSpareStreamBuffers = 2;
void* g_spare_stream_buffers[kSpareStreamBuffers];
int g_spare_stream_buffer_count = 0;

void* take_stream_buffer() {
  if (g_spare_stream_buffer_count > 0) {
    return g_spare_stream_buffers[--g_spare_stream_buffer_count];
  }
  return allocate_pages(IO_STREAM_BUFFER_SIZE);
}

void give_back_stream_buffer(void* buffer) {
  if (buffer == nullptr) return;
  if (g_spare_stream_buffer_count < kSpareStreamBuffers) {
    g_spare_stream_buffers[g_spare_stream_buffer_count++] = buffer;
  } else {
    free_pages(buffer);
  }
}

IoFile* wrap_stream(std::FILE* stream) {
  if (stream == nullptr) return nullptr;
  IoFile* file = static_cast<IoFile*>(std::malloc(sizeof(IoFile)));
  if (file == nullptr) {
    std::fclose(stream);
    return nullptr;
  }
  file->stream = stream;
  // A larger buffer than stdio's default turns the 512-byte records into
  // few system calls; without it the stream keeps its own default buffer.
  file->buffer = take_stream_buffer();
  if (file->buffer != nullptr &&
      std::setvbuf(stream, static_cast<char*>(file->buffer), _IOFBF, IO_STREAM_BUFFER_SIZE) != 0) {
    give_back_stream_buffer(file->buffer);
    file->buffer = nullptr;
  }
  return file;
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
  return std::fread(buffer, size, count, file->stream);
}

size_t io_write(const void* buffer, const size_t size, const size_t count, IoFile* file) {
  return std::fwrite(buffer, size, count, file->stream);
}

int io_seek(IoFile* file, const int64_t offset, const int origin) {
  if (static_cast<int64_t>(static_cast<off_t>(offset)) != offset) return -1;
  return ::fseeko(file->stream, static_cast<off_t>(offset), origin) == 0 ? 0 : -1;
}

int64_t io_tell(IoFile* file) {
  const off_t position = ::ftello(file->stream);
  return position < 0 ? -1 : static_cast<int64_t>(position);
}

int io_close(IoFile* file) {
  const int result = std::fclose(file->stream);
  give_back_stream_buffer(file->buffer);
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

void* allocate_pages(const size_t size) {
  void* pages = nullptr;
  const long page = ::sysconf(_SC_PAGESIZE);
  const size_t alignment = page > 0 ? static_cast<size_t>(page) : 4096;
  if (::posix_memalign(&pages, alignment, size) != 0) return nullptr;
  return pages;
}

void free_pages(void* pages) { std::free(pages); }
