// The run-time reader's file on Windows: ReadFile at an offset given in
// each call's OVERLAPPED record, so no shared position is relied on. The
// path is UTF-8, or in the ANSI code page when it is not valid UTF-8, as the
// tool takes paths (platform/wide_path_win32.h); a device is not opened.
#include <windows.h>

#include "platform/wide_path_win32.h"
#include "reader/reader_file.h"

namespace blobsmith {

int reader_file_open(const char* path, ReaderFile* file) {
  WidePath wide;
  if (make_wide_path(path, &wide) != 0) return -1;
  const HANDLE handle = CreateFileW(wide.text, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  LARGE_INTEGER size;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size)) {
    CloseHandle(handle);
    return -1;
  }
  file->handle = reinterpret_cast<intptr_t>(handle);
  file->size = static_cast<uint64_t>(size.QuadPart);
  return 0;
}

int64_t reader_file_read_at(void* file, uint64_t offset, void* buffer, size_t length) {
  const HANDLE handle = reinterpret_cast<HANDLE>(static_cast<const ReaderFile*>(file)->handle);
  unsigned char* into = static_cast<unsigned char*>(buffer);
  int64_t copied = 0;
  while (length > 0) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD asked = length > 0x40000000 ? 0x40000000 : static_cast<DWORD>(length);
    DWORD got = 0;
    if (!ReadFile(handle, into, asked, &got, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      return -1;
    }
    if (got == 0) break;
    into += got;
    length -= got;
    offset += got;
    copied += got;
  }
  return copied;
}

void reader_file_close(ReaderFile* file) { CloseHandle(reinterpret_cast<HANDLE>(file->handle)); }

}  // namespace blobsmith
