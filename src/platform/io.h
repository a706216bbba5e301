// The file and directory calls the tool makes, gathered behind one thin seam.
// Every open, read, write, seek, tell and close of a pack file or a member,
// every directory search and every directory creation goes through here, so
// tests can stand in for any one of them (the functions have C linkage so a
// test build can wrap them at link time) and each platform keeps its own
// implementation file.
#ifndef BLOBSMITH_PLATFORM_IO_H_
#define BLOBSMITH_PLATFORM_IO_H_

#include <cstddef>
#include <cstdint>

// An open file: a buffered stream with a large, page-aligned buffer.
struct IoFile;

// What stands at a path, seen without following a final symbolic link.
enum PathKind {
  PATH_MISSING = 0,
  PATH_REGULAR = 1,
  PATH_DIRECTORY = 2,
  PATH_LINK = 3,   // a symbolic link (or reparse point), dangling or not
  PATH_OTHER = 4,  // a FIFO, socket or device
};

// One entry yielded by a directory search. kind follows symbolic links, as
// opening the entry would: a link to a directory is PATH_DIRECTORY, a
// dangling link is PATH_LINK, a FIFO or device is PATH_OTHER.
struct DirEntryInfo {
  const char* name;  // valid until the next dir_search_next or close
  PathKind kind;
};

// Identity of a file or directory: equal for two paths that name the same
// object, whatever the names.
struct FileIdentity {
  uint64_t device;
  uint64_t object;
};

struct DirSearch;

// The stream buffer size given to every open file.
constexpr size_t IO_STREAM_BUFFER_SIZE = 128 * 1024;

extern "C" {

// Opens path with a stdio mode ("rb", "wb" or "rb+"). Returns nullptr on
// failure. A file opened for reading must be a regular file: a FIFO, socket
// or device is refused without blocking.
IoFile* io_open(const char* path, const char* mode);

// Creates or truncates path for writing a member, never following a
// symbolic link at path and never opening anything but a regular file
// (a FIFO there is refused without blocking). Returns nullptr on failure.
IoFile* io_create_member(const char* path);

// fread/fwrite of count records of size bytes; returns the records moved.
size_t io_read(void* buffer, size_t size, size_t count, IoFile* file);
size_t io_write(const void* buffer, size_t size, size_t count, IoFile* file);

// origin is SEEK_SET, SEEK_CUR or SEEK_END. Returns 0 on success, -1 on failure.
int io_seek(IoFile* file, int64_t offset, int origin);

// Returns the position with 64 bits, or -1 on failure.
int64_t io_tell(IoFile* file);

// Flushes and closes; returns 0, or -1 when the final flush or close failed.
int io_close(IoFile* file);

// Opens a search over every entry of dir (the names "." and ".." included
// where the platform yields them). Returns nullptr when dir cannot be searched.
DirSearch* dir_search_open(const char* dir);

// Fills info with the next entry. Returns 1, or 0 at the end or on failure.
int dir_search_next(DirSearch* search, DirEntryInfo* info);

void dir_search_close(DirSearch* search);

// Creates one directory level. Returns 0 on success, -1 on failure.
int make_directory(const char* path);

}  // extern "C"

// What stands at path, without following a final symbolic link.
PathKind path_kind(const char* path);

// Fills identity for the object path names, following links. Returns 0, or
// -1 when path cannot be examined.
int file_identity(const char* path, FileIdentity* identity);

// True for a character that separates path levels on this platform.
bool is_platform_separator(char c);

// The separator the tool writes when it builds a path on this platform.
char platform_separator();

// Readies the process for the file calls: on POSIX a write beyond the
// file-size limit then fails with an error the tool reports, instead of
// ending the process.
void prepare_process_io();

// Page-aligned allocation for large I/O buffers; nullptr on failure.
void* allocate_pages(size_t size);
void free_pages(void* pages);

#endif  // BLOBSMITH_PLATFORM_IO_H_
