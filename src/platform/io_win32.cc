// The file and directory seam on Windows: stdio streams with large
// page-aligned buffers over handles opened with CreateFileA,
// FindFirstFileA/FindNextFileA over dir + "/*", and an output tree reached
// through directory handles held open without FILE_SHARE_DELETE, so no level
// can be renamed or replaced while members are written into it. Both "/"
// and "\\" separate the levels of a path.
#include <fcntl.h>
#include <io.h>
#include <malloc.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/io.h"

namespace blobsmith {

struct IoFile {
  std::FILE* stream;
  void* buffer;
  bool read_only;        // opened for reading: status holds what it was then
  bool delete_on_close;  // made by io_create_temp and not yet kept
  FileStatus status;
};

struct DirSearch {
  HANDLE handle;
  WIN32_FIND_DATAA found;
  bool found_unread;  // the search's first entry, not yet handed out
  char* dir;          // as given, to look at an entry's target
};

struct OutDir {
  HANDLE handle;
  char* path;
};

namespace {

// The attribute bit of a directory entry that marks a directory.
constexpr DWORD DIRECTORY_ATTRIBUTE = 0x10;
// Others may read and write what the tool holds open, but never rename or
// delete it.
constexpr DWORD SHARE_NO_DELETE = FILE_SHARE_READ | FILE_SHARE_WRITE;

IoFile* wrap_stream(std::FILE* stream) {
  if (stream == nullptr) return nullptr;
  IoFile* file = static_cast<IoFile*>(std::malloc(sizeof(IoFile)));
  if (file == nullptr) {
    std::fclose(stream);
    return nullptr;
  }
  file->stream = stream;
  file->read_only = false;
  file->delete_on_close = false;
  // A larger buffer than the runtime's default turns the 512-byte records
  // into few system calls; without it the stream keeps its own buffer.
  file->buffer = allocate_pages(IO_BUFFER_SIZE);
  if (file->buffer != nullptr &&
      std::setvbuf(stream, static_cast<char*>(file->buffer), _IOFBF, IO_BUFFER_SIZE) != 0) {
    free_pages(file->buffer);
    file->buffer = nullptr;
  }
  return file;
}

IoFile* wrap_handle(const HANDLE handle, const int flags, const char* mode) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* stream = _fdopen(fd, mode);
  if (stream == nullptr) {
    _close(fd);
    return nullptr;
  }
  return wrap_stream(stream);
}

HANDLE handle_of(std::FILE* stream) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

void fill_status(const HANDLE handle, const BY_HANDLE_FILE_INFORMATION& info, const bool link_seen,
                 FileStatus* status) {
  if (link_seen && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    status->kind = PATH_LINK;
  } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    status->kind = PATH_DIRECTORY;
  } else {
    status->kind = GetFileType(handle) == FILE_TYPE_DISK ? PATH_REGULAR : PATH_OTHER;
  }
  status->identity =
      FileIdentity{info.dwVolumeSerialNumber,
                   (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  status->size =
      static_cast<int64_t>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
  status->links = info.nNumberOfLinks;
  status->permissions = 0;
}

// Status of what path names; with link_seen a reparse point is looked at
// itself, not followed.
int status_at(const char* path, const bool link_seen, FileStatus* status) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (link_seen ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  const HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  BY_HANDLE_FILE_INFORMATION info;
  const BOOL known = GetFileInformationByHandle(handle, &info);
  if (known) fill_status(handle, info, link_seen, status);
  CloseHandle(handle);
  return known ? 0 : -1;
}

// dir, "\\" and name in a new buffer; nullptr when none can be had.
char* join(const char* dir, const char* name) {
  const size_t dir_length = std::strlen(dir);
  const size_t name_length = std::strlen(name);
  char* path = static_cast<char*>(std::malloc(dir_length + name_length + 2));
  if (path == nullptr) return nullptr;
  std::memcpy(path, dir, dir_length);
  path[dir_length] = '\\';
  std::memcpy(path + dir_length + 1, name, name_length + 1);
  return path;
}

// Fills info's kind from the search's current entry. A reparse point (a
// symbolic link or a junction) is looked at through its target, as opening
// it would: its identity is then known, and one whose target cannot be
// reached counts as a link. Any other entry is what its attributes say.
void describe_entry(const DirSearch* search, DirEntryInfo* info) {
  const DWORD attributes = search->found.dwFileAttributes;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    info->kind = (attributes & DIRECTORY_ATTRIBUTE) != 0 ? PATH_DIRECTORY : PATH_REGULAR;
    return;
  }
  info->kind = PATH_LINK;
  char* path = join(search->dir, search->found.cFileName);
  FileStatus status;
  if (path != nullptr && status_at(path, false, &status) == 0) {
    info->kind = status.kind;
    info->identity = status.identity;
    info->identity_known = true;
  }
  std::free(path);
}

// What stands at path, looked at without opening it for writing: a reparse
// point or device (OUT_NOT_PLAIN), a regular file or directory (OUT_EXISTS,
// its identity in object when given), or nothing that can be seen.
int failure_at(const char* path, OutObject* object = nullptr) {
  FileStatus status;
  if (status_at(path, true, &status) != 0) return OUT_FAILED;
  if (status.kind == PATH_LINK || status.kind == PATH_OTHER) return OUT_NOT_PLAIN;
  if (object != nullptr) {
    object->identity = status.identity;
    object->known = true;
  }
  return OUT_EXISTS;
}

// failure_at for a call whose own failure is not "it exists".
int open_failure_at(const char* path, OutObject* object = nullptr) {
  const int failure = failure_at(path, object);
  return failure == OUT_EXISTS ? OUT_FAILED : failure;
}

void fill_object(const BY_HANDLE_FILE_INFORMATION& info, const bool made, OutObject* object) {
  object->identity =
      FileIdentity{info.dwVolumeSerialNumber,
                   (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  object->known = true;
  object->made = made;
}

// The path the directory held by handle has now, in a new buffer: "\\?\C:\dir"
// as "C:\dir" and "\\?\UNC\host\share" as "\\host\share", so the ANSI calls
// take it. nullptr when the system cannot say or it does not fit.
char* final_path_of(const HANDLE handle) {
  char found[MAX_PATH + 8];
  const DWORD length = GetFinalPathNameByHandleA(handle, found, sizeof found, 0);
  if (length == 0 || length >= sizeof found) return nullptr;
  const char* start = found;
  if (std::strncmp(found, "\\\\?\\UNC\\", 8) == 0) {
    found[6] = '\\';
    start = found + 6;
  } else if (std::strncmp(found, "\\\\?\\", 4) == 0) {
    start = found + 4;
  }
  const size_t kept = std::strlen(start);
  char* path = static_cast<char*>(std::malloc(kept + 1));
  if (path != nullptr) std::memcpy(path, start, kept + 1);
  return path;
}

// Opens the directory at path for holding, making it when missing: it
// cannot be renamed or removed while the handle is open. With no_reparse, a
// reparse point is refused; without, the directory is found through any
// links and then known by the path it really has, which cannot change while
// it is held, so members are made in it and not wherever path leads later.
// Takes path; frees it on failure.
// When object is given, it receives the identity of a directory the call
// made, or of a regular file standing in the way.
OutDir* hold_directory(char* path, const bool no_reparse, OutObject* object, int* failure) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (no_reparse ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  HANDLE handle =
      CreateFileA(path, GENERIC_READ, SHARE_NO_DELETE, nullptr, OPEN_EXISTING, flags, nullptr);
  bool made = false;
  if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND &&
      CreateDirectoryA(path, nullptr)) {
    made = true;
    handle =
        CreateFileA(path, GENERIC_READ, SHARE_NO_DELETE, nullptr, OPEN_EXISTING, flags, nullptr);
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    *failure = open_failure_at(path, object);
    std::free(path);
    return nullptr;
  }
  if (object != nullptr && made) fill_object(info, true, object);
  const DWORD attributes = info.dwFileAttributes;
  const bool reparse = no_reparse && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  OutDir* dir = nullptr;
  if (!reparse && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    dir = static_cast<OutDir*>(std::malloc(sizeof(OutDir)));
  }
  if (dir == nullptr) {
    // A file in the way: its identity tells whether this run made it.
    if (!reparse && object != nullptr) fill_object(info, false, object);
    CloseHandle(handle);
    std::free(path);
    *failure = reparse ? OUT_NOT_PLAIN : OUT_FAILED;
    return nullptr;
  }
  if (!no_reparse) {
    char* final_path = final_path_of(handle);
    if (final_path != nullptr) {
      std::free(path);
      path = final_path;
    }
  }
  dir->handle = handle;
  dir->path = path;
  return dir;
}

// Opens the file at path for writing without following a reparse point.
HANDLE open_member(const char* path, const DWORD disposition) {
  return CreateFileA(path, GENERIC_WRITE, SHARE_NO_DELETE, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

}  // namespace

bool is_platform_separator(const char c) { return c == '/' || c == '\\'; }

char platform_separator() { return '\\'; }

void prepare_process() {
  // A drive without its medium makes a file call fail with an error the
  // tool reports, instead of stopping the run with a dialog box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

std::FILE* take_standard_output() {
  std::fflush(stdout);
  const int data_fd = _dup(_fileno(stdout));
  if (data_fd < 0) return nullptr;
  _setmode(data_fd, _O_BINARY);
  std::FILE* data = _fdopen(data_fd, "wb");
  if (data == nullptr || _dup2(_fileno(stderr), _fileno(stdout)) != 0) {
    if (data != nullptr)
      std::fclose(data);
    else
      _close(data_fd);
    return nullptr;
  }
  return data;
}

void give_back_standard_output(std::FILE* data) {
  std::fflush(stdout);
  std::fflush(data);
  _dup2(_fileno(data), _fileno(stdout));
  std::fclose(data);
}

uint64_t unique_number() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<uint64_t>(counter.QuadPart) ^
         (static_cast<uint64_t>(GetCurrentProcessId()) << 40);
}

void* allocate_pages(const size_t size) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const size_t alignment = system.dwPageSize > 0 ? system.dwPageSize : 4096;
  return _aligned_malloc(size, alignment);
}

void free_pages(void* pages) { _aligned_free(pages); }

}  // namespace blobsmith

using blobsmith::FileIdentity;
using blobsmith::FileStatus;
using blobsmith::IoFile;
using blobsmith::OutDir;

extern "C" {

IoFile* io_open(const char* path) {
  std::FILE* stream = std::fopen(path, "rb");
  if (stream == nullptr) return nullptr;
  // A device (CON, NUL, COM1, a pipe) opens like a file: only files on
  // disk are read.
  const HANDLE handle = blobsmith::handle_of(stream);
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    std::fclose(stream);
    return nullptr;
  }
  IoFile* file = blobsmith::wrap_stream(stream);
  if (file != nullptr) {
    file->read_only = true;
    blobsmith::fill_status(handle, info, false, &file->status);
  }
  return file;
}

IoFile* io_create_new(const char* path, uint32_t /*permissions*/, int /*keep_exactly*/) {
  const HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return blobsmith::wrap_handle(handle, _O_RDWR, "w+b");
}

IoFile* io_create_temp(const char* path, uint32_t /*permissions*/, int /*keep_exactly*/,
                       int* named) {
  *named = 1;
  // With delete access the file can be marked to go when its handle closes,
  // however the process ends. Others may delete it too: should the mark be
  // refused, the interruption handler deletes it by name while it is open.
  const HANDLE handle =
      CreateFileA(path, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  FILE_DISPOSITION_INFO doomed = {TRUE};
  const bool marked =
      SetFileInformationByHandle(handle, FileDispositionInfo, &doomed, sizeof doomed) != 0;
  IoFile* file = blobsmith::wrap_handle(handle, _O_RDWR, "w+b");
  if (file == nullptr) {
    if (!marked) DeleteFileA(path);
    return nullptr;
  }
  file->delete_on_close = marked;
  return file;
}

int io_keep_temp(IoFile* file, const char* /*path*/) {
  if (!file->delete_on_close) return 0;
  FILE_DISPOSITION_INFO kept = {FALSE};
  if (!SetFileInformationByHandle(blobsmith::handle_of(file->stream), FileDispositionInfo, &kept,
                                  sizeof kept)) {
    return -1;
  }
  file->delete_on_close = false;
  return 0;
}

size_t io_read(void* buffer, const size_t size, const size_t count, IoFile* file) {
  return std::fread(buffer, size, count, file->stream);
}

size_t io_write(const void* buffer, const size_t size, const size_t count, IoFile* file) {
  return std::fwrite(buffer, size, count, file->stream);
}

int io_seek(IoFile* file, const int64_t offset, const int origin) {
  return _fseeki64(file->stream, offset, origin) == 0 ? 0 : -1;
}

int64_t io_tell(IoFile* file) {
  const int64_t position = _ftelli64(file->stream);
  return position < 0 ? -1 : position;
}

int io_status(IoFile* file, FileStatus* status) {
  if (file->read_only) {
    *status = file->status;
    return 0;
  }
  if (std::fflush(file->stream) != 0) return -1;
  const HANDLE handle = blobsmith::handle_of(file->stream);
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return -1;
  blobsmith::fill_status(handle, info, false, status);
  return 0;
}

int io_close(IoFile* file) {
  const int result = std::fclose(file->stream);
  blobsmith::free_pages(file->buffer);
  std::free(file);
  return result == 0 ? 0 : -1;
}

blobsmith::DirSearch* dir_search_open(const char* dir, FileIdentity* identity) {
  if (identity != nullptr) {
    FileStatus status;
    if (blobsmith::status_at(dir, false, &status) != 0 &&
        blobsmith::status_at(dir, true, &status) != 0) {
      return nullptr;
    }
    *identity = status.identity;
  }
  const size_t dir_length = std::strlen(dir);
  auto* search = static_cast<blobsmith::DirSearch*>(std::malloc(sizeof(blobsmith::DirSearch)));
  char* pattern = static_cast<char*>(std::malloc(dir_length + 3));
  if (search == nullptr || pattern == nullptr) {
    std::free(search);
    std::free(pattern);
    return nullptr;
  }
  std::memcpy(pattern, dir, dir_length);
  std::memcpy(pattern + dir_length, "/*", 3);
  search->handle = FindFirstFileA(pattern, &search->found);
  search->found_unread = true;
  search->dir = pattern;
  if (search->handle == INVALID_HANDLE_VALUE) {
    std::free(pattern);
    std::free(search);
    return nullptr;
  }
  pattern[dir_length] = '\0';  // the pattern's buffer now holds dir alone
  return search;
}

int dir_search_next(blobsmith::DirSearch* search, blobsmith::DirEntryInfo* info) {
  if (search->found_unread) {
    search->found_unread = false;
  } else if (!FindNextFileA(search->handle, &search->found)) {
    return GetLastError() == ERROR_NO_MORE_FILES ? 0 : -1;
  }
  info->name = search->found.cFileName;
  info->identity_known = false;
  info->object_hint = 0;  // a search does not give the file index
  blobsmith::describe_entry(search, info);
  return 1;
}

void dir_search_close(blobsmith::DirSearch* search) {
  FindClose(search->handle);
  std::free(search->dir);
  std::free(search);
}

OutDir* out_dir_open(const char* path) {
  const size_t length = std::strlen(path);
  char* levels = static_cast<char*>(std::malloc(length + 1));
  if (levels == nullptr) return nullptr;
  std::memcpy(levels, path, length + 1);
  // Each missing level, left to right; one that exists is left as it is.
  for (size_t i = 1; i < length; ++i) {
    if (!blobsmith::is_platform_separator(levels[i]) ||
        blobsmith::is_platform_separator(levels[i - 1]) || levels[i - 1] == ':') {
      continue;
    }
    const char kept = levels[i];
    levels[i] = '\0';
    CreateDirectoryA(levels, nullptr);
    levels[i] = kept;
  }
  int failure = 0;
  return blobsmith::hold_directory(levels, false, nullptr, &failure);
}

OutDir* out_dir_open_level(OutDir* parent, const char* name, blobsmith::OutObject* object,
                           int* failure) {
  *object = blobsmith::OutObject{{0, 0}, false, false};
  char* path = blobsmith::join(parent->path, name);
  if (path == nullptr) {
    *failure = blobsmith::OUT_FAILED;
    return nullptr;
  }
  return blobsmith::hold_directory(path, true, object, failure);
}

IoFile* out_dir_create_file(OutDir* dir, const char* name, blobsmith::OutObject* object,
                            int* failure) {
  *object = blobsmith::OutObject{{0, 0}, false, false};
  *failure = blobsmith::OUT_FAILED;
  char* path = blobsmith::join(dir->path, name);
  if (path == nullptr) return nullptr;
  const HANDLE handle = blobsmith::open_member(path, CREATE_NEW);
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) {
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
      DeleteFileA(path);  // the file this call made is taken back
    } else {
      *failure = blobsmith::failure_at(path, object);
    }
    std::free(path);
    return nullptr;
  }
  std::free(path);
  blobsmith::fill_object(info, true, object);
  return blobsmith::wrap_handle(handle, _O_WRONLY, "wb");
}

IoFile* out_dir_replace_file(OutDir* dir, const char* name, const FileIdentity* protect,
                             blobsmith::OutObject* object, int* failure) {
  *object = blobsmith::OutObject{{0, 0}, false, false};
  *failure = blobsmith::OUT_FAILED;
  char* path = blobsmith::join(dir->path, name);
  if (path == nullptr) return nullptr;
  HANDLE handle = blobsmith::open_member(path, OPEN_ALWAYS);
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    *failure = blobsmith::open_failure_at(path);
    std::free(path);
    return nullptr;
  }
  FileStatus status;
  blobsmith::fill_status(handle, info, true, &status);
  if (status.kind != blobsmith::PATH_REGULAR ||
      (protect != nullptr && blobsmith::same_identity(status.identity, *protect))) {
    *failure = status.kind != blobsmith::PATH_REGULAR ? blobsmith::OUT_NOT_PLAIN
                                                      : blobsmith::OUT_IS_PROTECTED;
    CloseHandle(handle);
    std::free(path);
    return nullptr;
  }
  if (status.links > 1) {
    // Another name shares this file: this name gets a file of its own, made
    // only where nothing stands by then.
    CloseHandle(handle);
    handle = DeleteFileA(path) ? blobsmith::open_member(path, CREATE_NEW) : INVALID_HANDLE_VALUE;
    if (handle != INVALID_HANDLE_VALUE && !GetFileInformationByHandle(handle, &info)) {
      CloseHandle(handle);
      handle = INVALID_HANDLE_VALUE;
    }
    if (handle == INVALID_HANDLE_VALUE) *failure = blobsmith::open_failure_at(path);
  } else if (status.size != 0 && !SetEndOfFile(handle)) {
    CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }
  std::free(path);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  blobsmith::fill_object(info, false, object);
  return blobsmith::wrap_handle(handle, _O_WRONLY, "wb");
}

void out_dir_close(OutDir* dir) {
  CloseHandle(dir->handle);
  std::free(dir->path);
  std::free(dir);
}

int path_status(const char* path, const int follow, FileStatus* status) {
  return blobsmith::status_at(path, follow == 0, status);
}

int path_read_link(const char* path, char* target, const size_t size) {
  // The final path of what the link names, which must exist.
  FileStatus status;
  if (blobsmith::status_at(path, true, &status) != 0 || status.kind != blobsmith::PATH_LINK) {
    return -1;
  }
  const HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  const DWORD length = GetFinalPathNameByHandleA(handle, target, static_cast<DWORD>(size), 0);
  CloseHandle(handle);
  if (length == 0 || length >= size) return -1;
  // "\\?\C:\dir\file" names the same file as "C:\dir\file".
  if (std::strncmp(target, "\\\\?\\", 4) == 0) std::memmove(target, target + 4, length - 3);
  return 0;
}

int path_rename(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : -1;
}

int path_remove(const char* path) { return DeleteFileA(path) ? 0 : -1; }

int path_touch(const char* path) {
  const HANDLE handle = CreateFileA(path, FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const BOOL set = SetFileTime(handle, nullptr, nullptr, &now);
  CloseHandle(handle);
  return set ? 0 : -1;
}

}  // extern "C"
