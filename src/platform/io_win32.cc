// The file and directory seam on Windows: stdio streams with large
// page-aligned buffers, FindFirstFileA/FindNextFileA over dir + "/*",
// CreateDirectoryA and GetFileAttributesA. Both "/" and "\\" separate the
// levels of a path.
#include "platform/io.h"

#include <fcntl.h>
#include <io.h>
#include <malloc.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

struct IoFile {
  std::FILE* stream;
  void* buffer;
};

struct DirSearch {
  HANDLE handle;
  WIN32_FIND_DATAA found;
  bool found_unread;  // the search's first entry, not yet handed out
  char* dir;          // as given, to look at an entry's target
};

namespace {

// The attribute bit of a directory entry that marks a directory.
constexpr DWORD DIRECTORY_ATTRIBUTE = 0x10;

IoFile* wrap_stream(std::FILE* stream) {
  if (stream == nullptr) return nullptr;
  IoFile* file = static_cast<IoFile*>(std::malloc(sizeof(IoFile)));
  if (file == nullptr) {
    std::fclose(stream);
    return nullptr;
  }
  file->stream = stream;
  // A larger buffer than the runtime's default turns the 512-byte records
  // into few system calls; without it the stream keeps its own buffer.
  file->buffer = allocate_pages(IO_STREAM_BUFFER_SIZE);
  if (file->buffer != nullptr &&
      std::setvbuf(stream, static_cast<char*>(file->buffer), _IOFBF, IO_STREAM_BUFFER_SIZE) != 0) {
    free_pages(file->buffer);
    file->buffer = nullptr;
  }
  return file;
}

HANDLE handle_of(std::FILE* stream) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

// Opens path for reading its attributes, following reparse points as
// opening the file would; directories open too.
HANDLE open_for_attributes(const char* path) {
  return CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// What a search entry that is not a directory stands for: a reparse point
// whose target cannot be reached counts as a link, anything else as a file.
PathKind kind_of_file_entry(const DirSearch* search) {
  if ((search->found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return PATH_REGULAR;
  const size_t dir_length = std::strlen(search->dir);
  const size_t name_length = std::strlen(search->found.cFileName);
  char* path = static_cast<char*>(std::malloc(dir_length + name_length + 2));
  if (path == nullptr) return PATH_LINK;
  std::memcpy(path, search->dir, dir_length);
  path[dir_length] = '/';
  std::memcpy(path + dir_length + 1, search->found.cFileName, name_length + 1);
  const HANDLE target = open_for_attributes(path);
  std::free(path);
  if (target == INVALID_HANDLE_VALUE) return PATH_LINK;
  CloseHandle(target);
  return PATH_REGULAR;
}

}  // namespace

extern "C" {

IoFile* io_open(const char* path, const char* mode) {
  const bool reading = std::strcmp(mode, "rb") == 0 || std::strcmp(mode, "rb+") == 0;
  if (!reading && std::strcmp(mode, "wb") != 0) return nullptr;
  std::FILE* stream = std::fopen(path, mode);
  if (stream == nullptr) return nullptr;
  // A device (CON, NUL, COM1, a pipe) opens like a file: only files on
  // disk are read.
  if (reading && GetFileType(handle_of(stream)) != FILE_TYPE_DISK) {
    std::fclose(stream);
    return nullptr;
  }
  return wrap_stream(stream);
}

IoFile* io_create_member(const char* path) {
  // The reparse point itself is opened, never its target, and refused
  // below; so are directories and devices. The file is truncated only once
  // it is known to be a plain file.
  const HANDLE handle =
      CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
      !SetEndOfFile(handle)) {
    CloseHandle(handle);
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* stream = _fdopen(fd, "wb");
  if (stream == nullptr) {
    _close(fd);
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
  return _fseeki64(file->stream, offset, origin) == 0 ? 0 : -1;
}

int64_t io_tell(IoFile* file) {
  const int64_t position = _ftelli64(file->stream);
  return position < 0 ? -1 : position;
}

int io_close(IoFile* file) {
  const int result = std::fclose(file->stream);
  free_pages(file->buffer);
  std::free(file);
  return result == 0 ? 0 : -1;
}

DirSearch* dir_search_open(const char* dir) {
  const size_t dir_length = std::strlen(dir);
  DirSearch* search = static_cast<DirSearch*>(std::malloc(sizeof(DirSearch)));
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

int dir_search_next(DirSearch* search, DirEntryInfo* info) {
  if (search->found_unread) {
    search->found_unread = false;
  } else if (!FindNextFileA(search->handle, &search->found)) {
    return 0;
  }
  info->name = search->found.cFileName;
  info->kind = (search->found.dwFileAttributes & DIRECTORY_ATTRIBUTE) != 0
                   ? PATH_DIRECTORY
                   : kind_of_file_entry(search);
  return 1;
}

void dir_search_close(DirSearch* search) {
  FindClose(search->handle);
  std::free(search->dir);
  std::free(search);
}

int make_directory(const char* path) { return CreateDirectoryA(path, nullptr) ? 0 : -1; }

}  // extern "C"

PathKind path_kind(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return PATH_MISSING;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return PATH_LINK;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return PATH_DIRECTORY;
  return PATH_REGULAR;
}

int file_identity(const char* path, FileIdentity* identity) {
  const HANDLE handle = open_for_attributes(path);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  BY_HANDLE_FILE_INFORMATION info;
  const BOOL known = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  if (!known) return -1;
  identity->device = info.dwVolumeSerialNumber;
  identity->object = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return 0;
}

bool is_platform_separator(const char c) { return c == '/' || c == '\\'; }

char platform_separator() { return '\\'; }

void prepare_process_io() {
  // A drive without its medium makes a file call fail with an error the
  // tool reports, instead of stopping the run with a dialog box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

void* allocate_pages(const size_t size) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const size_t alignment = system.dwPageSize > 0 ? system.dwPageSize : 4096;
  return _aligned_malloc(size, alignment);
}

void free_pages(void* pages) { _aligned_free(pages); }
