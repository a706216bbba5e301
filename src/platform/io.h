// The file and directory calls the tool makes, gathered behind one thin seam.
// Every open, read, write, seek, close, rename and removal of a pack file or
// a member, every directory search and every directory made or entered goes
// through here, so tests can stand in for any one of them (the calls have C
// linkage so a test build can wrap them at link time) and each platform
// keeps its own implementation file.
//
// Paths and names are the bytes the system uses on POSIX systems, and UTF-8
// on Windows (text that is not UTF-8 is read in the ANSI code page, as
// earlier builds read it). On Windows a path that names a device (NUL, COM1,
// out\nul.bin) is never opened: path_status calls it PATH_OTHER, and every
// other call fails.
#ifndef BLOBSMITH_PLATFORM_IO_H_
#define BLOBSMITH_PLATFORM_IO_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace blobsmith {

// An open file with a large, page-aligned buffer of its own.
struct IoFile;
// A search over the entries of one directory.
struct DirSearch;
// An open directory of the output tree; members are made inside it by name,
// never by a path resolved again.
struct OutDir;

// What stands at a path or is open.
enum PathKind {
  PATH_MISSING = 0,
  PATH_REGULAR = 1,
  PATH_DIRECTORY = 2,
  PATH_LINK = 3,   // a symbolic link (or reparse point), dangling or not
  PATH_OTHER = 4,  // a FIFO, socket or device
};

// Identity of a file or directory: equal for two names of the same object.
struct FileIdentity {
  uint64_t device;
  uint64_t object;
};

inline bool same_identity(const FileIdentity& a, const FileIdentity& b) {
  return a.device == b.device && a.object == b.object;
}

struct FileStatus {
  PathKind kind;
  FileIdentity identity;
  int64_t size;
  uint32_t links;        // names the object has
  uint32_t permissions;  // permission bits (07777 on POSIX)
};

// One entry yielded by a directory search. kind follows symbolic links, as
// opening the entry would: a link to a directory is PATH_DIRECTORY, a FIFO
// or device is PATH_OTHER, and a link that leads nowhere PATH_MISSING or
// PATH_LINK. When the
// search had to look at the entry's target, identity is filled and
// identity_known set; object_hint is the entry's own object number when the
// directory listing gives it (0 otherwise), so a caller looking for one
// object examines only entries whose hint matches.
struct DirEntryInfo {
  const char* name;  // valid until the next dir_search_next or close
  PathKind kind;
  bool identity_known;
  FileIdentity identity;
  uint64_t object_hint;
};

// Why an out_dir_* call failed.
enum OutFailure {
  OUT_FAILED = 1,        // cannot be opened or made
  OUT_NOT_PLAIN = 2,     // a symbolic link, reparse point, FIFO, socket or device
  OUT_IS_PROTECTED = 3,  // the object given as protected (the pack being read)
  OUT_EXISTS = 4,        // a regular file or directory already stands there
};

// What an out_dir_* call made or opened, or found standing in its way.
struct OutObject {
  FileIdentity identity;
  bool known;  // identity is filled
  bool made;   // the call made it: it did not exist before
};

// The buffer size given to every open file.
constexpr size_t IO_BUFFER_SIZE = 128 * 1024;

}  // namespace blobsmith

extern "C" {

// Opens an existing regular file for reading; a FIFO, socket, device or
// directory is refused without blocking. Returns nullptr on failure.
blobsmith::IoFile* io_open(const char* path);

// Creates a new file for reading and writing with the given permission
// bits, reduced by the process's mask unless keep_exactly is set, failing
// when anything already stands at path, a symbolic link included. Returns
// nullptr on failure.
blobsmith::IoFile* io_create_new(const char* path, uint32_t permissions, int keep_exactly);

// Creates a temporary file for reading and writing in path's directory,
// with the permission bits io_create_new would give it, that does not
// outlive the process unless io_keep_temp keeps it. On Linux the file has no
// name (*named is set to 0 and path is not taken), so not even a killed
// process leaves it behind. Where the file system refuses an unnamed file,
// and on other systems, it is made at path as io_create_new makes a file
// (*named is set to 1), for the caller to enter in the table of
// platform/interruptions.h; on Windows it is then also marked to be deleted
// when closed. Returns nullptr on failure.
blobsmith::IoFile* io_create_temp(const char* path, uint32_t permissions, int keep_exactly,
                                  int* named);

// Keeps a file io_create_temp made past its close, at path: an unnamed file
// gets that name (1 is returned, the file still unnamed, when something
// already stands there), a named one, already at path, loses its mark to be
// deleted when closed. Returns 0, 1, or -1 on failure.
int io_keep_temp(blobsmith::IoFile* file, const char* path);

// count records of size bytes; return the whole records moved. Writes may
// be held in the buffer: a failure to write them out shows at io_close.
size_t io_read(void* buffer, size_t size, size_t count, blobsmith::IoFile* file);
size_t io_write(const void* buffer, size_t size, size_t count, blobsmith::IoFile* file);

// Reads up to length bytes at offset, retrying until all are read, the file
// ends or a read fails; neither the file's position nor its buffer is used
// or changed, so several threads may read one file at once. Returns the
// bytes read (fewer than length at the end of the file or on failure).
size_t io_read_at(blobsmith::IoFile* file, void* buffer, size_t length, int64_t offset);

// Writes all length bytes at offset, the same way: neither the position nor
// the buffer is used (writes still held in the buffer are not written
// first: the caller writes a file through one kind of call or keeps them
// apart). Several threads may write disjoint ranges of one file at once.
// Returns 0, or -1 when not all could be written (the failure also shows at
// io_close).
int io_write_at(blobsmith::IoFile* file, const void* buffer, size_t length, int64_t offset);

// origin is SEEK_SET, SEEK_CUR or SEEK_END. Returns 0, or -1 on failure.
int io_seek(blobsmith::IoFile* file, int64_t offset, int origin);

// The position, or -1 on failure.
int64_t io_tell(blobsmith::IoFile* file);

// Fills status for the open file; for a file opened with io_open, as it
// was when it was opened. Returns 0, or -1 on failure.
int io_status(blobsmith::IoFile* file, blobsmith::FileStatus* status);

// Writes out the buffer and closes; returns 0, or -1 when a write failed.
int io_close(blobsmith::IoFile* file);

// Opens a search over every entry of dir. Returns nullptr when dir cannot
// be searched. When identity is given it receives the directory's own.
blobsmith::DirSearch* dir_search_open(const char* dir, blobsmith::FileIdentity* identity);

// Fills info with the next entry. Returns 1, 0 at the end, or -1 when the
// directory cannot be read further. On Windows an entry whose name has no
// UTF-8 form (an unpaired surrogate) is passed over, and the search then
// ends with -1 instead of 0: its listing was not whole.
int dir_search_next(blobsmith::DirSearch* search, blobsmith::DirEntryInfo* info);

void dir_search_close(blobsmith::DirSearch* search);

// Opens the directory at path, making every missing level first. Its levels
// are the user's choice and may be symbolic links. Returns nullptr on failure.
blobsmith::OutDir* out_dir_open(const char* path);

// Opens the level called name inside parent, making it when missing; a
// symbolic link, reparse point or special file there is refused and never
// followed. object receives the level's identity when the call made it, and
// the identity of a regular file standing where the level should be.
// Returns nullptr and sets *failure on failure.
blobsmith::OutDir* out_dir_open_level(blobsmith::OutDir* parent, const char* name,
                                      blobsmith::OutObject* object, int* failure);

// Makes a new, empty regular file called name inside dir for writing, and
// fills object with its identity. When anything stands there already
// nothing is opened: a regular file or directory gives OUT_EXISTS with its
// identity in object, a symbolic link, FIFO, socket or device OUT_NOT_PLAIN
// (so a FIFO is never opened, and a reader waiting on it is not released).
// Returns nullptr and sets *failure on failure.
blobsmith::IoFile* out_dir_create_file(blobsmith::OutDir* dir, const char* name,
                                       blobsmith::OutObject* object, int* failure);

// Opens and empties the regular file that stands at name inside dir, for
// writing, and fills object with the identity of the file written. A
// symbolic link there is refused and never followed; a FIFO or device is
// refused without blocking; the object protect names (when given) is
// refused before anything is changed; a file with other names is not
// written through: this name is removed and made anew, so the other names
// keep their bytes. Returns nullptr and sets *failure on failure.
blobsmith::IoFile* out_dir_replace_file(blobsmith::OutDir* dir, const char* name,
                                        const blobsmith::FileIdentity* protect,
                                        blobsmith::OutObject* object, int* failure);

// Fills identity with the open directory's own. Returns 0, or -1 on failure.
int out_dir_identity(blobsmith::OutDir* dir, blobsmith::FileIdentity* identity);

void out_dir_close(blobsmith::OutDir* dir);

// Fills status for what stands at path, following a final symbolic link
// when follow is set. Returns 0, or -1 when nothing can be seen there.
int path_status(const char* path, int follow, blobsmith::FileStatus* status);

// The target of the symbolic link at path, zero-terminated, into target of
// size bytes. Returns 0, or -1 when path is no link or the target is longer.
int path_read_link(const char* path, char* target, size_t size);

// Puts from in to's place, replacing what stands there. Returns 0 or -1.
int path_rename(const char* from, const char* to);

// Removes the file at path. Returns 0 or -1.
int path_remove(const char* path);

// Sets the modification time of the file at path to now, following links.
// Returns 0 or -1.
int path_touch(const char* path);

}  // extern "C"

namespace blobsmith {

// True for a character that separates path levels on this platform.
bool is_platform_separator(char c);

// The separator the tool writes when it builds a path on this platform.
char platform_separator();

// Readies the process: standard input, output and error are open (so no
// file the tool opens takes their place), a closed pipe on standard output
// does not end the run, and a write beyond the file-size limit fails with
// an error the tool reports instead of ending the process.
void prepare_process();

// Makes standard output carry data alone: from now on what the tool prints
// on stdout goes to standard error, and the stream returned (binary, on
// what standard output was) takes the data. Returns nullptr when it cannot.
std::FILE* take_standard_output();

// Undoes take_standard_output: flushes and closes data, and standard output
// is what it was.
void give_back_standard_output(std::FILE* data);

// A number that differs from run to run, for names of temporary files.
uint64_t unique_number();

// Page-aligned allocation for large I/O buffers; nullptr on failure.
void* allocate_pages(size_t size);
void free_pages(void* pages);

// True where files are made through Windows' rules for names: a name with a
// Windows hazard (format/member_name.h) would be made as another name or
// not at all, so it is refused before anything is made for it.
bool windows_name_rules();

}  // namespace blobsmith

#endif  // BLOBSMITH_PLATFORM_IO_H_
