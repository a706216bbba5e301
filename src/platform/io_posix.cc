// The file and directory seam on POSIX systems. Every file is a descriptor
// with a buffer of our own: reads fill it with pread at the file's
// position, writes collect in it and go out with pwrite, so no call is
// spent on seeking or telling. The positional calls go to pread and pwrite
// straight, touching nothing of the file but its failure flag, so threads
// can share one file. The output tree is reached through open
// directory descriptors (openat, mkdirat), never by a path resolved twice.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/io.h"

namespace blobsmith {

struct IoFile {
  int fd;
  unsigned char* buffer;  // IO_BUFFER_SIZE bytes
  int64_t position;       // where the next read or write starts
  int64_t window_start;   // file offset of the bytes read into the buffer
  size_t window_length;   // bytes read into the buffer (0 while writing)
  int64_t pending_start;  // file offset of the bytes waiting to be written
  size_t pending_length;  // bytes waiting in the buffer
  // A write already failed: sync and close say so. Threads writing at
  // offsets may set it at once.
  std::atomic<bool> write_failed;
  bool read_only;  // opened for reading: status holds what it was then
  bool unnamed;    // made by io_create_temp with no name yet
  FileStatus status;
};

struct DirSearch {
  DIR* handle;
};

struct OutDir {
  int fd;
};

namespace {

IoFile* make_file(const int fd) {
  IoFile* file = static_cast<IoFile*>(std::malloc(sizeof(IoFile)));
  if (file == nullptr) {
    ::close(fd);
    return nullptr;
  }
  new (file) IoFile{fd, nullptr, 0, 0, 0, 0, 0, {false}, false, false, {}};
  return file;
}

// The buffer is made when a read or write first needs it: a source read
// whole goes straight into the caller's bytes, and a file written only at
// offsets never uses it. Returns false when it cannot be had.
bool have_buffer(IoFile* file) {
  if (file->buffer == nullptr) {
    file->buffer = static_cast<unsigned char*>(allocate_pages(IO_BUFFER_SIZE));
  }
  return file->buffer != nullptr;
}

// pread of up to length bytes at offset, retried when interrupted. Returns
// the bytes read, 0 at the end of the file, or -1 on failure.
ssize_t read_at(const int fd, void* into, const size_t length, const int64_t offset) {
  for (;;) {
    const ssize_t got = ::pread(fd, into, length, static_cast<off_t>(offset));
    if (got >= 0 || errno != EINTR) return got;
  }
}

// Writes all length bytes at offset. Returns false when any could not be.
bool write_at(const int fd, const unsigned char* bytes, size_t length, int64_t offset) {
  while (length > 0) {
    const ssize_t put = ::pwrite(fd, bytes, length, static_cast<off_t>(offset));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes += put;
    length -= static_cast<size_t>(put);
    offset += put;
  }
  return true;
}

bool flush_pending(IoFile* file) {
  if (file->pending_length == 0) return !file->write_failed;
  if (!write_at(file->fd, file->buffer, file->pending_length, file->pending_start)) {
    file->write_failed = true;
  }
  file->pending_length = 0;
  return !file->write_failed;
}

// Copies up to length bytes from the file's position, as fread would: from
// the buffer while it holds the position, refilling it a whole buffer at a
// time, and reading a large remainder straight into the destination.
size_t read_bytes(IoFile* file, unsigned char* into, const size_t length) {
  size_t copied = 0;
  while (copied < length) {
    const int64_t window_end = file->window_start + static_cast<int64_t>(file->window_length);
    if (file->position >= file->window_start && file->position < window_end) {
      const size_t offset = static_cast<size_t>(file->position - file->window_start);
      size_t piece = file->window_length - offset;
      if (piece > length - copied) piece = length - copied;
      std::memcpy(into + copied, file->buffer + offset, piece);
      copied += piece;
      file->position += static_cast<int64_t>(piece);
      continue;
    }
    // A large read, or one that takes a file opened for reading to its end
    // (a source whole), goes straight into the caller's bytes: nothing after
    // it would use the buffer.
    const bool direct =
        length - copied >= IO_BUFFER_SIZE ||
        (file->read_only &&
         file->position + static_cast<int64_t>(length - copied) >= file->status.size);
    if (!direct && !have_buffer(file)) break;
    unsigned char* target = direct ? into + copied : file->buffer;
    const ssize_t got =
        read_at(file->fd, target, direct ? length - copied : IO_BUFFER_SIZE, file->position);
    if (got <= 0) break;
    if (direct) {
      copied += static_cast<size_t>(got);
      file->position += got;
    } else {
      file->window_start = file->position;
      file->window_length = static_cast<size_t>(got);
    }
  }
  return copied;
}

size_t write_bytes(IoFile* file, const unsigned char* bytes, const size_t length) {
  file->window_length = 0;  // what was read may be overwritten
  if (file->pending_length > 0 &&
      file->position != file->pending_start + static_cast<int64_t>(file->pending_length)) {
    if (!flush_pending(file)) return 0;
  }
  if (file->pending_length == 0) file->pending_start = file->position;
  if (file->pending_length + length > IO_BUFFER_SIZE || length >= IO_BUFFER_SIZE) {
    if (!flush_pending(file)) return 0;
    file->pending_start = file->position;
    if (length >= IO_BUFFER_SIZE) {
      if (!write_at(file->fd, bytes, length, file->position)) {
        file->write_failed = true;
        return 0;
      }
      file->position += static_cast<int64_t>(length);
      return length;
    }
  }
  if (!have_buffer(file)) return 0;
  std::memcpy(file->buffer + file->pending_length, bytes, length);
  file->pending_length += length;
  file->position += static_cast<int64_t>(length);
  return length;
}

PathKind kind_of_mode(const mode_t mode) {
  if (S_ISREG(mode)) return PATH_REGULAR;
  if (S_ISDIR(mode)) return PATH_DIRECTORY;
  if (S_ISLNK(mode)) return PATH_LINK;
  return PATH_OTHER;
}

void fill_status(const struct stat& info, FileStatus* status) {
  status->kind = kind_of_mode(info.st_mode);
  status->identity =
      FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
  status->size = static_cast<int64_t>(info.st_size);
  status->links = static_cast<uint32_t>(info.st_nlink);
  status->permissions = static_cast<uint32_t>(info.st_mode & 07777);
}

OutDir* make_out_dir(const int fd) {
  OutDir* dir = static_cast<OutDir*>(std::malloc(sizeof(OutDir)));
  if (dir == nullptr) {
    ::close(fd);
    return nullptr;
  }
  dir->fd = fd;
  return dir;
}

void fill_identity(const struct stat& info, OutObject* object) {
  object->identity =
      FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
  object->known = true;
}

// What stands at name inside dir_fd, looked at without opening it: a link
// or special file (OUT_NOT_PLAIN), a regular file or directory (OUT_EXISTS,
// its identity in object), or nothing that can be seen (OUT_FAILED).
int failure_at(const int dir_fd, const char* name, OutObject* object) {
  struct stat info;
  if (::fstatat(dir_fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return OUT_FAILED;
  if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) return OUT_NOT_PLAIN;
  fill_identity(info, object);
  return OUT_EXISTS;
}

constexpr int kMemberFlags = O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

#ifdef O_TMPFILE
// What open_unnamed says when it makes no file.
constexpr int kUnnamedRefused = -1;  // the system or file system has no unnamed files
constexpr int kUnnamedFailed = -2;   // anything else, which a named file would meet too

// The name through which the open descriptor fd is reached, to link it.
void descriptor_path(const int fd, char (&path)[32]) {
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
}

// Opens an unnamed file in the directory of path. Returns its descriptor,
// kUnnamedRefused or kUnnamedFailed.
int open_unnamed(const char* path, const mode_t mode) {
  const char* slash = std::strrchr(path, '/');
  const size_t length = slash == nullptr || slash == path ? 1 : static_cast<size_t>(slash - path);
  char* dir = static_cast<char*>(std::malloc(length + 1));
  if (dir == nullptr) return kUnnamedFailed;
  std::memcpy(dir, slash == nullptr ? "." : path, length);
  dir[length] = '\0';
  const int fd = ::open(dir, O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
  const int error = errno;
  std::free(dir);
  if (fd >= 0) return fd;
  // Kernels without unnamed files open the directory itself and refuse
  // to write it (EISDIR); file systems without them say so.
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL ? kUnnamedRefused
                                                                   : kUnnamedFailed;
}

// True when fd can be given a name later: linking goes through
// /proc/self/fd, which a chroot or a container may lack.
bool can_be_linked(const int fd) {
  char link_path[32];
  descriptor_path(fd, link_path);
  struct stat through_link;
  struct stat own;
  return ::stat(link_path, &through_link) == 0 && ::fstat(fd, &own) == 0 &&
         through_link.st_dev == own.st_dev && through_link.st_ino == own.st_ino;
}
#endif

}  // namespace

bool is_platform_separator(const char c) { return c == '/'; }

bool windows_name_rules() { return false; }

char platform_separator() { return '/'; }

void prepare_process() {
  // A descriptor the tool opens must never become standard output: its
  // lines would be written into a pack.
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      const int null_fd = ::open("/dev/null", O_RDWR);
      if (null_fd >= 0 && null_fd != fd) ::close(null_fd);
    }
  }
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

std::FILE* take_standard_output() {
  std::fflush(stdout);
  const int data_fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (data_fd < 0) return nullptr;
  std::FILE* data = ::fdopen(data_fd, "wb");
  if (data == nullptr || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    if (data != nullptr)
      std::fclose(data);
    else
      ::close(data_fd);
    return nullptr;
  }
  return data;
}

void give_back_standard_output(std::FILE* data) {
  std::fflush(stdout);
  std::fflush(data);
  ::dup2(::fileno(data), STDOUT_FILENO);
  std::fclose(data);
}

uint64_t unique_number() {
  struct timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  return (static_cast<uint64_t>(now.tv_nsec) << 20) ^ static_cast<uint64_t>(now.tv_sec) ^
         (static_cast<uint64_t>(::getpid()) << 40);
}

// The pages come from the ordinary heap, aligned by hand, rather than from
// an aligned allocation: the heap hands a freed buffer straight to the next
// file, where an aligned allocation of this size gets a mapping of its own
// that is made, faulted in and torn down for every file, which costs more
// than reading a small file. The heap block's address sits just before the
// aligned start.
void* allocate_pages(const size_t size) {
  const long page = ::sysconf(_SC_PAGESIZE);
  const size_t alignment = page > 0 ? static_cast<size_t>(page) : 4096;
  if (size > SIZE_MAX - alignment) return nullptr;
  unsigned char* block = static_cast<unsigned char*>(std::malloc(size + alignment));
  if (block == nullptr) return nullptr;
  const uintptr_t first_usable = reinterpret_cast<uintptr_t>(block) + sizeof(void*);
  unsigned char* pages = block + sizeof(void*) + (alignment - first_usable % alignment) % alignment;
  std::memcpy(pages - sizeof(void*), &block, sizeof(void*));
  return pages;
}

void free_pages(void* pages) {
  if (pages == nullptr) return;
  void* block = nullptr;
  std::memcpy(&block, static_cast<unsigned char*>(pages) - sizeof(void*), sizeof(void*));
  std::free(block);
}

}  // namespace blobsmith

using blobsmith::FileIdentity;
using blobsmith::FileStatus;
using blobsmith::IoFile;
using blobsmith::OutDir;

extern "C" {

IoFile* io_open(const char* path) {
  // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below,
  // and has no effect on a regular file, so it stays set.
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  IoFile* file = blobsmith::make_file(fd);
  if (file != nullptr) {
    file->read_only = true;
    blobsmith::fill_status(info, &file->status);
  }
  return file;
}

IoFile* io_create_new(const char* path, const uint32_t permissions, const int keep_exactly) {
  const int fd = ::open(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        static_cast<mode_t>(permissions));
  if (fd < 0) return nullptr;
  if (keep_exactly != 0 && ::fchmod(fd, static_cast<mode_t>(permissions)) != 0) {
    ::close(fd);
    ::unlink(path);
    return nullptr;
  }
  return blobsmith::make_file(fd);
}

IoFile* io_create_temp(const char* path, const uint32_t permissions, const int keep_exactly,
                       int* named) {
#ifdef O_TMPFILE
  const int fd = blobsmith::open_unnamed(path, static_cast<mode_t>(permissions));
  if (fd == blobsmith::kUnnamedFailed) return nullptr;
  if (fd >= 0 && !blobsmith::can_be_linked(fd)) {
    ::close(fd);  // the file goes with its only descriptor
  } else if (fd >= 0) {
    if (keep_exactly != 0 && ::fchmod(fd, static_cast<mode_t>(permissions)) != 0) {
      ::close(fd);
      return nullptr;
    }
    *named = 0;
    IoFile* file = blobsmith::make_file(fd);
    if (file != nullptr) file->unnamed = true;
    return file;
  }
#endif
  *named = 1;
  return io_create_new(path, permissions, keep_exactly);
}

int io_keep_temp(IoFile* file, const char* path) {
#ifdef O_TMPFILE
  if (file->unnamed) {
    char link_path[32];
    blobsmith::descriptor_path(file->fd, link_path);
    if (::linkat(AT_FDCWD, link_path, AT_FDCWD, path, AT_SYMLINK_FOLLOW) != 0) {
      return errno == EEXIST ? 1 : -1;
    }
    file->unnamed = false;
  }
#else
  (void)file;
  (void)path;
#endif
  return 0;
}

size_t io_read(void* buffer, const size_t size, const size_t count, IoFile* file) {
  if (size == 0 || count == 0 || !blobsmith::flush_pending(file)) return 0;
  const size_t records = count > SIZE_MAX / size ? SIZE_MAX / size : count;
  return blobsmith::read_bytes(file, static_cast<unsigned char*>(buffer), records * size) / size;
}

size_t io_write(const void* buffer, const size_t size, const size_t count, IoFile* file) {
  if (size == 0 || count == 0 || count > SIZE_MAX / size) return 0;
  return blobsmith::write_bytes(file, static_cast<const unsigned char*>(buffer), size * count) /
         size;
}

size_t io_read_at(IoFile* file, void* buffer, const size_t length, const int64_t offset) {
  unsigned char* into = static_cast<unsigned char*>(buffer);
  size_t copied = 0;
  while (copied < length) {
    const ssize_t got = blobsmith::read_at(file->fd, into + copied, length - copied,
                                           offset + static_cast<int64_t>(copied));
    if (got <= 0) break;
    copied += static_cast<size_t>(got);
  }
  return copied;
}

int io_write_at(IoFile* file, const void* buffer, const size_t length, const int64_t offset) {
  if (blobsmith::write_at(file->fd, static_cast<const unsigned char*>(buffer), length, offset)) {
    return 0;
  }
  file->write_failed = true;
  return -1;
}

int io_seek(IoFile* file, const int64_t offset, const int origin) {
  int64_t base = 0;
  if (origin == SEEK_CUR) {
    base = file->position;
  } else if (origin == SEEK_END) {
    if (!blobsmith::flush_pending(file)) return -1;
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

int64_t io_tell(IoFile* file) { return file->position; }

int io_status(IoFile* file, FileStatus* status) {
  if (file->read_only) {
    *status = file->status;
    return 0;
  }
  if (!blobsmith::flush_pending(file)) return -1;
  struct stat info;
  if (::fstat(file->fd, &info) != 0) return -1;
  blobsmith::fill_status(info, status);
  return 0;
}

int io_close(IoFile* file) {
  const bool written = blobsmith::flush_pending(file);
  const int closed = ::close(file->fd);
  blobsmith::free_pages(file->buffer);
  std::free(file);
  return written && closed == 0 ? 0 : -1;
}

blobsmith::DirSearch* dir_search_open(const char* dir, FileIdentity* identity) {
  const int fd = ::open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info;
  if (identity != nullptr) {
    if (::fstat(fd, &info) != 0) {
      ::close(fd);
      return nullptr;
    }
    *identity =
        FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
  }
  DIR* handle = ::fdopendir(fd);
  auto* search = static_cast<blobsmith::DirSearch*>(std::malloc(sizeof(blobsmith::DirSearch)));
  if (handle == nullptr || search == nullptr) {
    if (handle != nullptr)
      ::closedir(handle);
    else
      ::close(fd);
    std::free(search);
    return nullptr;
  }
  search->handle = handle;
  return search;
}

int dir_search_next(blobsmith::DirSearch* search, blobsmith::DirEntryInfo* info) {
  errno = 0;
  const struct dirent* entry = ::readdir(search->handle);
  if (entry == nullptr) return errno == 0 ? 0 : -1;
  info->name = entry->d_name;
  info->identity_known = false;
  info->object_hint = static_cast<uint64_t>(entry->d_ino);
  // Most file systems say in the entry itself what it is; only links and
  // entries of unknown type need a look at what they name.
  if (entry->d_type == DT_REG || entry->d_type == DT_DIR) {
    info->kind = entry->d_type == DT_REG ? blobsmith::PATH_REGULAR : blobsmith::PATH_DIRECTORY;
    return 1;
  }
  // A link is followed, as opening the entry would; one that leads nowhere
  // stands as missing.
  struct stat target;
  info->kind = blobsmith::PATH_MISSING;
  if (::fstatat(::dirfd(search->handle), entry->d_name, &target, 0) == 0) {
    FileStatus status;
    blobsmith::fill_status(target, &status);
    info->kind = status.kind;
    info->identity = status.identity;
    info->identity_known = true;
  }
  return 1;
}

void dir_search_close(blobsmith::DirSearch* search) {
  ::closedir(search->handle);
  std::free(search);
}

OutDir* out_dir_open(const char* path) {
  const size_t length = std::strlen(path);
  char* levels = static_cast<char*>(std::malloc(length + 1));
  if (levels == nullptr) return nullptr;
  std::memcpy(levels, path, length + 1);
  // Each missing level, left to right; one that exists is left as it is.
  for (size_t i = 1; i < length; ++i) {
    if (levels[i] != '/') continue;
    levels[i] = '\0';
    ::mkdir(levels, 0777);
    levels[i] = '/';
  }
  ::mkdir(levels, 0777);
  std::free(levels);
  const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return fd < 0 ? nullptr : blobsmith::make_out_dir(fd);
}

OutDir* out_dir_open_level(OutDir* parent, const char* name, blobsmith::OutObject* object,
                           int* failure) {
  constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  *object = blobsmith::OutObject{{0, 0}, false, false};
  int fd = ::openat(parent->fd, name, kFlags);
  if (fd < 0 && errno == ENOENT && ::mkdirat(parent->fd, name, 0777) == 0) {
    fd = ::openat(parent->fd, name, kFlags);
    struct stat info;
    object->made = fd >= 0 && ::fstat(fd, &info) == 0;
    if (object->made) blobsmith::fill_identity(info, object);
  }
  if (fd < 0) {
    *failure = blobsmith::failure_at(parent->fd, name, object);
    if (*failure == blobsmith::OUT_EXISTS) *failure = blobsmith::OUT_FAILED;
    return nullptr;
  }
  OutDir* dir = blobsmith::make_out_dir(fd);
  if (dir == nullptr) *failure = blobsmith::OUT_FAILED;
  return dir;
}

IoFile* out_dir_create_file(OutDir* dir, const char* name, blobsmith::OutObject* object,
                            int* failure) {
  *object = blobsmith::OutObject{{0, 0}, false, false};
  const int fd = ::openat(dir->fd, name, blobsmith::kMemberFlags | O_CREAT | O_EXCL, 0666);
  if (fd < 0) {
    *failure =
        errno == EEXIST ? blobsmith::failure_at(dir->fd, name, object) : blobsmith::OUT_FAILED;
    return nullptr;
  }
  struct stat info;
  const bool seen = ::fstat(fd, &info) == 0;
  if (!seen) ::close(fd);
  // make_file closes the descriptor itself when it fails.
  IoFile* file = seen ? blobsmith::make_file(fd) : nullptr;
  if (file == nullptr) {
    // The file this call made is taken back: nothing of it stays.
    ::unlinkat(dir->fd, name, 0);
    *failure = blobsmith::OUT_FAILED;
    return nullptr;
  }
  blobsmith::fill_identity(info, object);
  object->made = true;
  return file;
}

IoFile* out_dir_replace_file(OutDir* dir, const char* name, const FileIdentity* protect,
                             blobsmith::OutObject* object, int* failure) {
  *object = blobsmith::OutObject{{0, 0}, false, false};
  int fd = ::openat(dir->fd, name, blobsmith::kMemberFlags | O_CREAT, 0666);
  if (fd < 0) {
    *failure = blobsmith::failure_at(dir->fd, name, object);
    if (*failure == blobsmith::OUT_EXISTS) *failure = blobsmith::OUT_FAILED;
    return nullptr;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    ::close(fd);
    *failure = blobsmith::OUT_FAILED;
    return nullptr;
  }
  FileStatus status;
  blobsmith::fill_status(info, &status);
  if (status.kind != blobsmith::PATH_REGULAR) {
    // Something was swapped in after the look that found a regular file.
    ::close(fd);
    *failure = blobsmith::OUT_NOT_PLAIN;
    return nullptr;
  }
  if (protect != nullptr && blobsmith::same_identity(status.identity, *protect)) {
    ::close(fd);
    *failure = blobsmith::OUT_IS_PROTECTED;
    return nullptr;
  }
  if (status.links > 1) {
    // Another name shares this file: this name gets a file of its own.
    ::close(fd);
    if (::unlinkat(dir->fd, name, 0) != 0) {
      *failure = blobsmith::OUT_FAILED;
      return nullptr;
    }
    fd = ::openat(dir->fd, name, blobsmith::kMemberFlags | O_CREAT | O_EXCL, 0666);
    if (fd < 0 || ::fstat(fd, &info) != 0) {
      if (fd >= 0) ::close(fd);
      *failure = blobsmith::OUT_FAILED;
      return nullptr;
    }
    blobsmith::fill_status(info, &status);
  } else if (status.size != 0 && ::ftruncate(fd, 0) != 0) {
    // A file that is already empty is not truncated: some file systems
    // (ext4) would then write its new data out at close, which is slow.
    ::close(fd);
    *failure = blobsmith::OUT_FAILED;
    return nullptr;
  }
  IoFile* file = blobsmith::make_file(fd);
  if (file == nullptr) {
    *failure = blobsmith::OUT_FAILED;
    return nullptr;
  }
  object->identity = status.identity;
  object->known = true;
  return file;
}

int out_dir_identity(OutDir* dir, FileIdentity* identity) {
  struct stat info;
  if (::fstat(dir->fd, &info) != 0) return -1;
  *identity = FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
  return 0;
}

void out_dir_close(OutDir* dir) {
  ::close(dir->fd);
  std::free(dir);
}

int path_status(const char* path, const int follow, FileStatus* status) {
  struct stat info;
  const int result = follow != 0 ? ::stat(path, &info) : ::lstat(path, &info);
  if (result != 0) return -1;
  blobsmith::fill_status(info, status);
  return 0;
}

int path_read_link(const char* path, char* target, const size_t size) {
  if (size == 0) return -1;
  const ssize_t length = ::readlink(path, target, size);
  if (length < 0 || static_cast<size_t>(length) >= size) return -1;
  target[length] = '\0';
  return 0;
}

int path_rename(const char* from, const char* to) { return ::rename(from, to) == 0 ? 0 : -1; }

int path_remove(const char* path) { return ::unlink(path) == 0 ? 0 : -1; }

int path_touch(const char* path) { return ::utimensat(AT_FDCWD, path, nullptr, 0) == 0 ? 0 : -1; }

}  // extern "C"
