// The file and directory seam on Windows: stdio streams with large
// page-aligned buffers over handles opened with CreateFileW,
// FindFirstFileW/FindNextFileW over dir + "\*", and an output tree reached
// through directory handles held open without FILE_SHARE_DELETE, so no level
// can be renamed or replaced while members are written into it. Both "/"
// and "\\" separate the levels of a path. Paths and names are UTF-8 on the
// tool's side of the seam and UTF-16 in the "\\?\" form on the system's
// (platform/wide_path_win32.h); a path that names a device is never opened.
//
// The positional calls go to the stream's handle with ReadFile and WriteFile
// at an offset. On a handle opened for synchronous use such a call still
// moves the handle's file pointer, which the stream reads its position from,
// so each one puts the pointer back, under a lock of the file's own. The
// system already takes every transfer on one synchronous handle in turn, so
// the lock costs threads sharing a file no transfer they could have made at
// once.
#include <fcntl.h>
#include <io.h>
#include <malloc.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "platform/console_win32.h"
#include "platform/io.h"
#include "platform/wide_path_win32.h"

namespace blobsmith {

struct IoFile {
  std::FILE* stream;
  void* buffer;
  bool read_only;        // opened for reading: status holds what it was then
  bool delete_on_close;  // made by io_create_temp and not yet kept
  FileStatus status;
  SRWLOCK positional;  // held by a positional call from its look at the pointer to putting it back
  bool write_failed;   // a positional write failed (set under positional): close says so
};

struct DirSearch {
  HANDLE handle;
  WIN32_FIND_DATAW found;
  bool found_unread;            // the search's first entry, not yet handed out
  bool name_lost;               // an entry was passed over: its name is no UTF-8 text
  wchar_t* dir;                 // the full path, to look at an entry's target
  char name[MAX_PATH * 3 + 1];  // the entry handed out, in UTF-8
};

struct OutDir {
  HANDLE handle;
  wchar_t* path;  // in the "\\?\" form
};

namespace {

// The attribute bit of a directory entry that marks a directory.
constexpr DWORD DIRECTORY_ATTRIBUTE = 0x10;
// Others may read and write what the tool holds open, but never rename or
// delete it.
constexpr DWORD SHARE_NO_DELETE = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

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
  InitializeSRWLock(&file->positional);
  file->write_failed = false;
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

// The most one ReadFile or WriteFile of a positional call moves: well within
// a DWORD, and small enough for any buffer the system must lock in memory.
constexpr size_t MAX_TRANSFER = size_t{1} << 26;

// Reads length bytes at offset into `into`, or writes them from `from` when
// that is given, a piece at a time, while the file's positional lock is
// held; the handle's pointer is put back afterwards. Returns the bytes
// moved, fewer on failure or (reads) at the end of the file.
size_t transfer_at(IoFile* file, unsigned char* into, const unsigned char* from,
                   const size_t length, const int64_t offset) {
  if (offset < 0) return 0;
  const HANDLE handle = handle_of(file->stream);
  LARGE_INTEGER zero = {};
  LARGE_INTEGER pointer;
  if (!SetFilePointerEx(handle, zero, &pointer, FILE_CURRENT)) return 0;
  size_t moved = 0;
  while (moved < length) {
    const size_t piece = length - moved < MAX_TRANSFER ? length - moved : MAX_TRANSFER;
    const uint64_t at = static_cast<uint64_t>(offset) + moved;
    OVERLAPPED place = {};
    place.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
    place.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD done = 0;
    const DWORD asked = static_cast<DWORD>(piece);
    const BOOL ok = from != nullptr ? WriteFile(handle, from + moved, asked, &done, &place)
                                    : ReadFile(handle, into + moved, asked, &done, &place);
    if (!ok || done == 0) break;
    moved += done;
  }
  SetFilePointerEx(handle, pointer, nullptr, FILE_BEGIN);
  return moved;
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
int status_at(const wchar_t* path, const bool link_seen, FileStatus* status) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (link_seen ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  const HANDLE handle = CreateFileW(path, 0, SHARE_ALL, nullptr, OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  BY_HANDLE_FILE_INFORMATION info;
  const BOOL known = GetFileInformationByHandle(handle, &info);
  if (known) fill_status(handle, info, link_seen, status);
  CloseHandle(handle);
  return known ? 0 : -1;
}

// The member or level called name (UTF-8) inside dir, in a new buffer;
// nullptr when none can be had.
wchar_t* join_name(const wchar_t* dir, const char* name) {
  wchar_t* wide = wide_name(name);
  wchar_t* path = wide == nullptr ? nullptr : join_wide(dir, wide);
  std::free(wide);
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
  wchar_t* path = join_wide(search->dir, search->found.cFileName);
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
int failure_at(const wchar_t* path, OutObject* object = nullptr) {
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
int open_failure_at(const wchar_t* path, OutObject* object = nullptr) {
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

// The path the object held by handle has now, in the "\\?\" form, in a new
// buffer; nullptr when the system cannot say.
wchar_t* final_path_of(const HANDLE handle) {
  const DWORD needed = GetFinalPathNameByHandleW(handle, nullptr, 0, 0);
  if (needed == 0) return nullptr;
  wchar_t* path = static_cast<wchar_t*>(std::malloc(needed * sizeof(wchar_t)));
  const DWORD length = path == nullptr ? 0 : GetFinalPathNameByHandleW(handle, path, needed, 0);
  if (length == 0 || length >= needed) {
    std::free(path);
    return nullptr;
  }
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
OutDir* hold_directory(wchar_t* path, const bool no_reparse, OutObject* object, int* failure) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (no_reparse ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  HANDLE handle =
      CreateFileW(path, GENERIC_READ, SHARE_NO_DELETE, nullptr, OPEN_EXISTING, flags, nullptr);
  bool made = false;
  if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND &&
      CreateDirectoryW(path, nullptr)) {
    made = true;
    handle =
        CreateFileW(path, GENERIC_READ, SHARE_NO_DELETE, nullptr, OPEN_EXISTING, flags, nullptr);
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
    wchar_t* final_path = final_path_of(handle);
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
HANDLE open_member(const wchar_t* path, const DWORD disposition) {
  return CreateFileW(path, GENERIC_WRITE, SHARE_NO_DELETE, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// The length of the part of a "\\?\" path no directory can be made in:
// "\\?\C:\" or "\\?\UNC\host\share\".
size_t root_length(const wchar_t* path) {
  const size_t prefix = std::wcslen(L"\\\\?\\UNC\\");
  if (std::wcsncmp(path, L"\\\\?\\UNC\\", prefix) != 0) return std::wcslen(L"\\\\?\\C:\\");
  size_t length = prefix;
  for (int separators = 0; path[length] != L'\0' && separators < 2; ++length) {
    if (path[length] == L'\\') ++separators;
  }
  return length;
}

}  // namespace

bool is_platform_separator(const char c) { return c == '/' || c == '\\'; }

char platform_separator() { return '\\'; }

void prepare_process() {
  // A drive without its medium makes a file call fail with an error the
  // tool reports, instead of stopping the run with a dialog box.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  route_console_output();
}

std::FILE* take_standard_output() {
  std::fflush(stdout);
  // The data goes where standard output goes, never through the console
  // route.
  const int data_fd = _dup(console_descriptor(_fileno(stdout)));
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
  const int route = route_descriptor(_fileno(stdout));
  _dup2(route >= 0 ? route : _fileno(data), _fileno(stdout));
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

bool windows_name_rules() { return true; }

}  // namespace blobsmith

using blobsmith::FileIdentity;
using blobsmith::FileStatus;
using blobsmith::IoFile;
using blobsmith::OutDir;
using blobsmith::WidePath;

extern "C" {

IoFile* io_open(const char* path) {
  WidePath wide;
  if (blobsmith::make_wide_path(path, &wide) != 0) return nullptr;
  const HANDLE handle = CreateFileW(wide.text, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  // Only files on disk are read: a pipe or a device is refused.
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    CloseHandle(handle);
    return nullptr;
  }
  IoFile* file = blobsmith::wrap_handle(handle, _O_RDONLY, "rb");
  if (file != nullptr) {
    file->read_only = true;
    blobsmith::fill_status(handle, info, false, &file->status);
  }
  return file;
}

IoFile* io_create_new(const char* path, uint32_t /*permissions*/, int /*keep_exactly*/) {
  WidePath wide;
  if (blobsmith::make_wide_path(path, &wide) != 0) return nullptr;
  const HANDLE handle = CreateFileW(wide.text, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return blobsmith::wrap_handle(handle, _O_RDWR, "w+b");
}

IoFile* io_create_temp(const char* path, uint32_t /*permissions*/, int /*keep_exactly*/,
                       int* named) {
  *named = 1;
  WidePath wide;
  if (blobsmith::make_wide_path(path, &wide) != 0) return nullptr;
  // With delete access the file can be marked to go when its handle closes,
  // however the process ends. Others may delete it too: should the mark be
  // refused, the interruption handler deletes it by name while it is open.
  const HANDLE handle = CreateFileW(wide.text, GENERIC_READ | GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  FILE_DISPOSITION_INFO doomed = {TRUE};
  const bool marked =
      SetFileInformationByHandle(handle, FileDispositionInfo, &doomed, sizeof doomed) != 0;
  IoFile* file = blobsmith::wrap_handle(handle, _O_RDWR, "w+b");
  if (file == nullptr) {
    if (!marked) DeleteFileW(wide.text);
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

size_t io_read_at(IoFile* file, void* buffer, const size_t length, const int64_t offset) {
  AcquireSRWLockExclusive(&file->positional);
  const size_t got =
      blobsmith::transfer_at(file, static_cast<unsigned char*>(buffer), nullptr, length, offset);
  ReleaseSRWLockExclusive(&file->positional);
  return got;
}

int io_write_at(IoFile* file, const void* buffer, const size_t length, const int64_t offset) {
  const unsigned char* bytes = static_cast<const unsigned char*>(buffer);
  AcquireSRWLockExclusive(&file->positional);
  const bool whole = blobsmith::transfer_at(file, nullptr, bytes, length, offset) == length;
  if (!whole) file->write_failed = true;
  ReleaseSRWLockExclusive(&file->positional);
  return whole ? 0 : -1;
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
  const bool written = !file->write_failed;
  blobsmith::free_pages(file->buffer);
  std::free(file);
  return result == 0 && written ? 0 : -1;
}

blobsmith::DirSearch* dir_search_open(const char* dir, FileIdentity* identity) {
  WidePath wide;
  if (blobsmith::make_wide_path(dir, &wide) != 0) return nullptr;
  if (identity != nullptr) {
    FileStatus status;
    if (blobsmith::status_at(wide.text, false, &status) != 0 &&
        blobsmith::status_at(wide.text, true, &status) != 0) {
      return nullptr;
    }
    *identity = status.identity;
  }
  auto* search = static_cast<blobsmith::DirSearch*>(std::malloc(sizeof(blobsmith::DirSearch)));
  wchar_t* pattern = blobsmith::join_wide(wide.text, L"*");
  if (search == nullptr || pattern == nullptr) {
    std::free(search);
    std::free(pattern);
    return nullptr;
  }
  search->handle = FindFirstFileW(pattern, &search->found);
  std::free(pattern);
  if (search->handle == INVALID_HANDLE_VALUE) {
    std::free(search);
    return nullptr;
  }
  search->found_unread = true;
  search->name_lost = false;
  search->dir = wide.text;
  wide.text = nullptr;  // the search owns it now
  return search;
}

int dir_search_next(blobsmith::DirSearch* search, blobsmith::DirEntryInfo* info) {
  for (;;) {
    if (search->found_unread) {
      search->found_unread = false;
    } else if (!FindNextFileW(search->handle, &search->found)) {
      // An entry passed over leaves the listing short of whole.
      return GetLastError() == ERROR_NO_MORE_FILES && !search->name_lost ? 0 : -1;
    }
    // A name holding an unpaired surrogate (NTFS allows one) has no UTF-8
    // form, so no path of the tool's can name it.
    if (blobsmith::utf8_from_wide(search->found.cFileName, search->name, sizeof search->name) >=
        0) {
      break;
    }
    search->name_lost = true;
  }
  info->name = search->name;
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
  WidePath wide;
  if (blobsmith::make_wide_path(path, &wide) != 0) return nullptr;
  wchar_t* levels = wide.text;
  wide.text = nullptr;  // hold_directory takes it
  // Each missing level, left to right; one that exists is left as it is.
  const size_t length = std::wcslen(levels);
  for (size_t i = blobsmith::root_length(levels); i < length; ++i) {
    if (levels[i] != L'\\' || levels[i - 1] == L'\\') continue;
    levels[i] = L'\0';
    CreateDirectoryW(levels, nullptr);
    levels[i] = L'\\';
  }
  int failure = 0;
  return blobsmith::hold_directory(levels, false, nullptr, &failure);
}

OutDir* out_dir_open_level(OutDir* parent, const char* name, blobsmith::OutObject* object,
                           int* failure) {
  *object = blobsmith::OutObject{{0, 0}, false, false};
  wchar_t* path = blobsmith::join_name(parent->path, name);
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
  wchar_t* path = blobsmith::join_name(dir->path, name);
  if (path == nullptr) return nullptr;
  const HANDLE handle = blobsmith::open_member(path, CREATE_NEW);
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) {
    if (handle != INVALID_HANDLE_VALUE) {
      CloseHandle(handle);
      DeleteFileW(path);  // the file this call made is taken back
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
  wchar_t* path = blobsmith::join_name(dir->path, name);
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
    handle = DeleteFileW(path) ? blobsmith::open_member(path, CREATE_NEW) : INVALID_HANDLE_VALUE;
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

int out_dir_identity(OutDir* dir, FileIdentity* identity) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(dir->handle, &info)) return -1;
  *identity = FileIdentity{info.dwVolumeSerialNumber,
                           (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  return 0;
}

void out_dir_close(OutDir* dir) {
  CloseHandle(dir->handle);
  std::free(dir->path);
  std::free(dir);
}

int path_status(const char* path, const int follow, FileStatus* status) {
  WidePath wide;
  if (blobsmith::make_wide_path(path, &wide) == 0) {
    return blobsmith::status_at(wide.text, follow == 0, status);
  }
  if (!wide.device) return -1;
  // A device is known by its name alone: opening one (a serial port) may
  // do something.
  *status = FileStatus{blobsmith::PATH_OTHER, {0, 0}, 0, 1, 0};
  return 0;
}

int path_read_link(const char* path, char* target, const size_t size) {
  // The final path of what the link names, which must exist.
  WidePath wide;
  FileStatus status;
  if (blobsmith::make_wide_path(path, &wide) != 0 ||
      blobsmith::status_at(wide.text, true, &status) != 0 || status.kind != blobsmith::PATH_LINK) {
    return -1;
  }
  const HANDLE handle = CreateFileW(wide.text, 0, blobsmith::SHARE_ALL, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  wchar_t* final_path = blobsmith::final_path_of(handle);
  CloseHandle(handle);
  if (final_path == nullptr) return -1;
  // "\\?\C:\dir\file" names the same file as "C:\dir\file", and
  // "\\?\UNC\host\share" as "\\host\share".
  const wchar_t* shown = final_path;
  if (std::wcsncmp(final_path, L"\\\\?\\UNC\\", 8) == 0) {
    final_path[6] = L'\\';
    shown = final_path + 6;
  } else if (std::wcsncmp(final_path, L"\\\\?\\", 4) == 0) {
    shown = final_path + 4;
  }
  const int length = blobsmith::utf8_from_wide(shown, target, size);
  std::free(final_path);
  return length < 0 ? -1 : 0;
}

int path_rename(const char* from, const char* to) {
  WidePath wide_from;
  WidePath wide_to;
  return blobsmith::make_wide_path(from, &wide_from) == 0 &&
                 blobsmith::make_wide_path(to, &wide_to) == 0 &&
                 MoveFileExW(wide_from.text, wide_to.text,
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? 0
             : -1;
}

int path_remove(const char* path) {
  WidePath wide;
  return blobsmith::make_wide_path(path, &wide) == 0 && DeleteFileW(wide.text) ? 0 : -1;
}

int path_touch(const char* path) {
  WidePath wide;
  if (blobsmith::make_wide_path(path, &wide) != 0) return -1;
  const HANDLE handle = CreateFileW(wide.text, FILE_WRITE_ATTRIBUTES, blobsmith::SHARE_ALL, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const BOOL set = SetFileTime(handle, nullptr, nullptr, &now);
  CloseHandle(handle);
  return set ? 0 : -1;
}

}  // extern "C"
