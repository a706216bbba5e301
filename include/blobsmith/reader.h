/* blobsmith/reader.h: reading blobsmith pack files at run time.
 *
 * A pack holds up to 2047 members, each found by its relative name and read
 * from its own 512-byte blocks. This reader opens a pack held in memory (a
 * ROM or flash image, an embedded asset, a mapped file: members are read
 * straight from it, never copied), one reached through the caller's own
 * read callback, or a file named by its path. It checks every offset and
 * size against the pack's length before using it, so a damaged or hostile
 * pack can never make it read or write outside the image, the caller's
 * storage or the caller's buffer.
 *
 * C99 and C++ alike. Every name is prefixed blobsmith_ or BLOBSMITH_.
 *
 * Memory: every open takes an optional blobsmith_storage. Given caller
 * memory of at least blobsmith_storage_size(entry_count) bytes (any
 * alignment), the reader never allocates: not when opening, looking up,
 * listing a directory, reading or verifying. That memory holds the open
 * pack and must stay untouched until blobsmith_close. Given an allocator,
 * it asks it once per open and releases the block at close; the
 * blobsmith_allocator record is copied at the open (it may be a local), but
 * its functions and context are called at blobsmith_close and must still
 * be valid then. Given neither (storage NULL), it uses malloc and free. The
 * blobsmith_storage record itself is read only during the open.
 *
 * Arguments: a NULL pointer where a call needs one is refused with
 * BLOBSMITH_ERROR_ARGUMENT before anything is read, allocated or opened, and
 * no out-parameter is written. NULL is allowed only where this header says
 * so: the pack given to blobsmith_close, the storage of an open, a
 * storage's allocator (and its memory when its size is 0), the buffer of
 * blobsmith_read and blobsmith_read_member when its length is 0, the index
 * of blobsmith_stat, the work buffer of blobsmith_verify, the bytes of
 * blobsmith_verify_update when their length is 0, and the contexts, which
 * are passed to the caller's functions as they are.
 *
 * Threads: once open, a pack may be used from any number of threads at the
 * same time: every call taking a const blobsmith_pack* (blobsmith_find,
 * blobsmith_find_exact, blobsmith_stat, blobsmith_dir_begin,
 * blobsmith_member_at, blobsmith_read, blobsmith_read_member,
 * blobsmith_member_data, blobsmith_entry_count, blobsmith_pack_info_of and
 * blobsmith_verify) changes nothing in it and keeps no cursor or buffer in
 * it (reads are positional; a directory cursor and a check state are the
 * caller's own, one per thread). A read callback is called from every
 * thread that reads, possibly at the same time, and must allow it.
 * blobsmith_close must not run while any other call on the same pack does,
 * and no cursor over a pack may be used after it is closed.
 *
 * Names: stored names are relative, with "\\" between levels. Every call
 * takes "/" and "\\" alike and compares a name with stored names as it is:
 * nothing is stripped or resolved, so "/img/logo.png", "./img/logo.png" and
 * "img//logo.png" find nothing in a pack the tool wrote (strip such
 * prefixes first). blobsmith_find compares ASCII letters without regard to
 * case, so "IMG/LOGO.PNG" finds the stored "img\\logo.png"; when several
 * members match, one equal to the name byte for byte (the two separators
 * still alike) wins, otherwise the first in table order.
 * blobsmith_find_exact and the directory view compare byte for byte:
 * "Img/" and "img/" are different directories there.
 *
 * Versions: a release that only adds calls raises the minor version; the
 * calls, records and constants of earlier 0.x releases stay as they were,
 * with the same soname (0).
 */
#ifndef BLOBSMITH_READER_H_
#define BLOBSMITH_READER_H_

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && defined(BLOBSMITH_READER_SHARED)
#define BLOBSMITH_API __declspec(dllexport)
#elif defined(__GNUC__) || defined(__clang__)
#define BLOBSMITH_API __attribute__((visibility("default")))
#else
#define BLOBSMITH_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The version of this header. blobsmith_version gives the library's, which
 * may be later than the header a program was built with. */
#define BLOBSMITH_VERSION_MAJOR 0
#define BLOBSMITH_VERSION_MINOR 2
#define BLOBSMITH_VERSION_PATCH 0
/* A version as one number that orders as versions do: 0x000200 is 0.2.0. */
#define BLOBSMITH_VERSION_NUMBER(major, minor, patch) \
  ((uint32_t)(major) << 16 | (uint32_t)(minor) << 8 | (uint32_t)(patch))
#define BLOBSMITH_VERSION                                                    \
  BLOBSMITH_VERSION_NUMBER(BLOBSMITH_VERSION_MAJOR, BLOBSMITH_VERSION_MINOR, \
                           BLOBSMITH_VERSION_PATCH)

/* Statuses. Calls return BLOBSMITH_OK (or a count or index of 0 or more)
 * on success and one of the negative values below on failure. */
#define BLOBSMITH_OK 0
#define BLOBSMITH_ERROR_ARGUMENT (-1)       /* a null pointer or a negative value */
#define BLOBSMITH_ERROR_OPEN (-2)           /* the file cannot be opened as a regular file */
#define BLOBSMITH_ERROR_READ (-3)           /* a read failed or came up short */
#define BLOBSMITH_ERROR_NOT_A_PACK (-4)     /* no pack header (magic, tail signature) */
#define BLOBSMITH_ERROR_ENTRY_COUNT (-5)    /* entry count outside 1 to 2047 */
#define BLOBSMITH_ERROR_TRUNCATED (-6)      /* the pack ends inside its table */
#define BLOBSMITH_ERROR_NO_MEMORY (-7)      /* the allocator gave nothing */
#define BLOBSMITH_ERROR_STORAGE (-8)        /* the caller's storage is too small */
#define BLOBSMITH_ERROR_NOT_FOUND (-9)      /* no member of that name */
#define BLOBSMITH_ERROR_INDEX (-10)         /* no entry of that index */
#define BLOBSMITH_ERROR_RANGE (-11)         /* an offset beyond the member's end */
#define BLOBSMITH_ERROR_DAMAGED (-12)       /* the entry's name or bytes lie outside the pack */
#define BLOBSMITH_ERROR_BUFFER (-13)        /* the buffer cannot hold the whole member */
#define BLOBSMITH_ERROR_NOT_IN_MEMORY (-14) /* the pack was not opened from memory */
#define BLOBSMITH_ERROR_CHECKSUM (-15)      /* the checksum is not the stored one, or none */

/* What a name is in the directory view. */
#define BLOBSMITH_FILE 1
#define BLOBSMITH_DIRECTORY 2

/* Most entries a pack the reader opens may hold. */
#define BLOBSMITH_MAX_ENTRIES 2047

/* Bytes of caller storage an open pack of entry_count entries needs, as a
 * constant expression for static arrays; equal to blobsmith_storage_size. */
#define BLOBSMITH_STORAGE_SIZE(entry_count) (320u + 66u * (size_t)(entry_count))

typedef struct blobsmith_pack blobsmith_pack;

/* Reads for a pack that is neither in memory nor a named file. read_at
 * (never NULL) copies up to length bytes from offset into buffer and returns
 * the number copied (fewer only at the end of the pack), or -1 on failure.
 * size is the pack's length in bytes. */
typedef struct blobsmith_io {
  int64_t (*read_at)(void* context, uint64_t offset, void* buffer, size_t length);
  uint64_t size;
  void* context;
} blobsmith_io;

/* A caller's allocator. It needs both functions: an open given an
 * allocator whose allocate or release is NULL is refused with
 * BLOBSMITH_ERROR_ARGUMENT, even when the storage's memory means it would
 * not be asked. */
typedef struct blobsmith_allocator {
  void* (*allocate)(void* context, size_t size); /* NULL when it cannot */
  void (*release)(void* context, void* block);
  void* context;
} blobsmith_allocator;

/* Where an open pack keeps its index: memory (size bytes) when not NULL,
 * else a block from allocator, else from malloc. memory NULL with a size
 * other than 0 is refused with BLOBSMITH_ERROR_ARGUMENT. */
typedef struct blobsmith_storage {
  void* memory;
  size_t size;
  const blobsmith_allocator* allocator;
} blobsmith_storage;

typedef struct blobsmith_member {
  char name[56];   /* as stored, "\\" between levels, always terminated */
  uint32_t size;   /* bytes (a negative stored size reads as 0) */
  uint64_t offset; /* of the member's first byte in the pack */
} blobsmith_member;

typedef struct blobsmith_pack_info {
  int32_t entry_count;
  char machine[8]; /* the machine flag, terminated */
  char date[9];    /* "YYYYMMDD" as stored, terminated */
  char time[5];    /* "HHMM" as stored, terminated */
} blobsmith_pack_info;

/* Bytes of storage an open pack of entry_count entries needs; 0 when
 * entry_count is outside 1 to 2047. */
BLOBSMITH_API size_t blobsmith_storage_size(int32_t entry_count);

/* Reads the entry count from the first length bytes of a pack (at least
 * its 512-byte header), to size storage before opening. Returns
 * BLOBSMITH_OK, or _ARGUMENT, _TRUNCATED, _NOT_A_PACK or _ENTRY_COUNT. */
BLOBSMITH_API int blobsmith_entry_count_of(const void* header, size_t length, int32_t* entry_count);

/* Opens the pack of length bytes at image, which must stay unchanged and
 * readable until blobsmith_close. Returns BLOBSMITH_OK and sets *pack, or a
 * status (nothing is then held). */
BLOBSMITH_API int blobsmith_open_memory(const void* image, size_t length,
                                        const blobsmith_storage* storage, blobsmith_pack** pack);

/* Opens a pack read through io, which is copied. */
BLOBSMITH_API int blobsmith_open_io(const blobsmith_io* io, const blobsmith_storage* storage,
                                    blobsmith_pack** pack);

/* Opens the regular file at path; it stays open until blobsmith_close. On
 * Windows path is UTF-8, or read in the ANSI code page when it is not valid
 * UTF-8. */
BLOBSMITH_API int blobsmith_open_file(const char* path, const blobsmith_storage* storage,
                                      blobsmith_pack** pack);

/* Releases what the open took. A NULL pack is ignored. */
BLOBSMITH_API void blobsmith_close(blobsmith_pack* pack);

/* The number of entries in the pack's table, zeroed ones included. */
BLOBSMITH_API int32_t blobsmith_entry_count(const blobsmith_pack* pack);

/* The header's entry count, machine flag and stamps. */
BLOBSMITH_API int blobsmith_pack_info_of(const blobsmith_pack* pack, blobsmith_pack_info* info);

/* The index of the member called name, ASCII letters compared without
 * regard to case (see Names above), or BLOBSMITH_ERROR_NOT_FOUND (or
 * _ARGUMENT). Zeroed entries and names not terminated in their field are
 * never found; names that are not canonical are. O(log n), and O(log n)
 * more for each further member whose name differs from this one only in
 * letter case. It returns int32_t, like blobsmith_find_exact and unlike the
 * int of other calls, because an index is an int32_t everywhere in this
 * header; the statuses it returns have the same values. */
BLOBSMITH_API int32_t blobsmith_find(const blobsmith_pack* pack, const char* name);

/* The index of the member called exactly name, byte for byte with "/" and
 * "\\" alike, or BLOBSMITH_ERROR_NOT_FOUND (or _ARGUMENT). Among members
 * of one name the first in table order. O(log n). */
BLOBSMITH_API int32_t blobsmith_find_exact(const blobsmith_pack* pack, const char* name);

/* Fills member for entry index. Returns BLOBSMITH_OK, _INDEX, or _DAMAGED
 * (member still filled) when the stored name has no terminator or the
 * member's bytes lie outside the pack's data. A zeroed entry (a source that
 * could not be read when packing) has an empty name and size 0. */
BLOBSMITH_API int blobsmith_member_at(const blobsmith_pack* pack, int32_t index,
                                      blobsmith_member* member);

/* Copies up to length bytes of member index, from offset bytes into it,
 * into buffer. Returns the bytes copied, fewer than length only at the
 * member's end (0 when offset equals its size), or _INDEX, _RANGE (offset
 * beyond the end), _DAMAGED or _READ. */
BLOBSMITH_API int64_t blobsmith_read(const blobsmith_pack* pack, int32_t index, uint64_t offset,
                                     void* buffer, size_t length);

/* Copies the whole of member index into buffer of capacity bytes. Returns
 * its size, _DAMAGED when its bytes lie outside the pack, _BUFFER when
 * capacity is smaller, or a status of blobsmith_read. */
BLOBSMITH_API int64_t blobsmith_read_member(const blobsmith_pack* pack, int32_t index, void* buffer,
                                            size_t capacity);

/* For a pack opened from memory: points *data at member index's bytes
 * inside the image and sets *size. Returns BLOBSMITH_OK, _INDEX, _DAMAGED or
 * _NOT_IN_MEMORY. */
BLOBSMITH_API int blobsmith_member_data(const blobsmith_pack* pack, int32_t index,
                                        const void** data, size_t* size);

/* A short English text for any status, "unknown status" for others. */
BLOBSMITH_API const char* blobsmith_status_text(int status);

/* The library's version, as BLOBSMITH_VERSION_NUMBER gives it. */
BLOBSMITH_API uint32_t blobsmith_version(void);

/* The directory view: the pack's canonical names (levels separated by
 * single "\\", none empty, "." or "..", no leading or trailing separator and
 * no drive prefix: every name the tool writes) as a tree of directories
 * and files. "" is the root; a directory is every leading run of levels of
 * a name; each level compares byte for byte. Names that are not canonical
 * are left out of it (blobsmith_find and blobsmith_find_exact still find
 * them), and so is a zeroed entry. A name that is both a member and a
 * level of another member's name is a file in the view, and nothing below
 * it is in the view (--verify reports such packs). Of several members of
 * one name, the view holds the first in table order.
 *
 * Names given to these calls are "" or canonical with "/" or "\\" between
 * levels; any other is in no directory. Each costs O(log n) for each level
 * of the name, and listing a directory of k entries O(k log n) in all,
 * with no storage beyond the open's. */

/* What one directory entry is. */
typedef struct blobsmith_dir_entry {
  char name[56]; /* its own level, terminated: "logo.png" in "img" */
  int32_t kind;  /* BLOBSMITH_FILE or BLOBSMITH_DIRECTORY */
  int32_t index; /* the member, for a file; -1 for a directory */
} blobsmith_dir_entry;

/* A cursor over one directory, the caller's own: 64 bytes on every
 * platform, a part of them reserved for later releases. It refers to the
 * pack it was begun on and may be copied; a copy goes on from where the
 * original stood. */
typedef struct blobsmith_dir {
  uint64_t opaque[8];
} blobsmith_dir;

/* What name is in the view: returns BLOBSMITH_FILE and sets *index to the
 * member, BLOBSMITH_DIRECTORY and sets *index to -1, or
 * BLOBSMITH_ERROR_NOT_FOUND (or _ARGUMENT) and leaves *index alone. index
 * may be NULL. The root "" is always a directory. */
BLOBSMITH_API int blobsmith_stat(const blobsmith_pack* pack, const char* name, int32_t* index);

/* Sets *dir at the start of directory name. Returns BLOBSMITH_OK, or
 * BLOBSMITH_ERROR_NOT_FOUND when name is no directory in the view (a
 * file's name included), or _ARGUMENT. */
BLOBSMITH_API int blobsmith_dir_begin(const blobsmith_pack* pack, const char* name,
                                      blobsmith_dir* dir);

/* Fills *entry with the directory's next entry and returns 1, or returns 0
 * once every entry has been given (and again after that), or _ARGUMENT
 * for a cursor that blobsmith_dir_begin did not set. Each file and each
 * subdirectory comes once, in the packer's order: by name with ASCII
 * letters taken as lower case, names equal but for case by their bytes, a
 * subdirectory standing where its first member's name stands (so "a.txt"
 * comes before a directory "a", since "." sorts before "/"). */
BLOBSMITH_API int blobsmith_dir_next(blobsmith_dir* dir, blobsmith_dir_entry* entry);

/* blobsmith_verify: a check at run time that an open pack is whole: the
 * pack's length holds its header and table, every member's bytes lie
 * inside the data area (from byte 133120) and before the checksum word,
 * and the checksum folded over every byte before its last four equals the
 * word stored there. Returns BLOBSMITH_OK, BLOBSMITH_ERROR_DAMAGED (a
 * member outside), BLOBSMITH_ERROR_CHECKSUM, BLOBSMITH_ERROR_READ or
 * _ARGUMENT. A pack whose header says it carries no checksum (checksum
 * mode 0) cannot be shown whole and gets BLOBSMITH_ERROR_CHECKSUM once its
 * members are found inside it.
 *
 * From memory it folds the image where it lies, at the speed of the
 * tool's own fold. Otherwise it reads the pack in chunks through work
 * (work_size bytes, 64 KiB or more for speed), or, when work is NULL,
 * through a buffer of BLOBSMITH_VERIFY_STACK_BYTES on the stack; it never
 * allocates. It is not --verify, which also holds a pack to everything the
 * tool writes: the header's fixed fields and stamps, zero reserved blocks
 * and padding, names terminated, canonical, in order and apart from each
 * other, members contiguous, and the file's exact length. */
#define BLOBSMITH_VERIFY_STACK_BYTES 4096
BLOBSMITH_API int blobsmith_verify(const blobsmith_pack* pack, void* work, size_t work_size);

/* The same check over a pack's bytes as they arrive (a download, a read
 * from flash), with no pack opened and nothing allocated: begin, then
 * update with each piece in order, then end. The state is the caller's
 * own: 128 bytes on every platform, a part of them reserved. */
typedef struct blobsmith_verify_state {
  uint64_t opaque[16];
} blobsmith_verify_state;

/* Sets *state at the start of a pack. Returns BLOBSMITH_OK or _ARGUMENT. */
BLOBSMITH_API int blobsmith_verify_begin(blobsmith_verify_state* state);

/* Takes the next length bytes of the pack. Returns BLOBSMITH_OK while the
 * bytes so far may still make a whole pack or, as soon as they cannot, a
 * status saying why (BLOBSMITH_ERROR_NOT_A_PACK, _ENTRY_COUNT or _DAMAGED),
 * so a download can stop early; or _ARGUMENT for a state not begun. */
BLOBSMITH_API int blobsmith_verify_update(blobsmith_verify_state* state, const void* bytes,
                                          size_t length);

/* The verdict on every byte given: what blobsmith_open_memory and then
 * blobsmith_verify would say of them (BLOBSMITH_ERROR_TRUNCATED for a pack
 * that ends inside its header or table). The state may be ended again,
 * with the same answer, or begun anew. */
BLOBSMITH_API int blobsmith_verify_end(const blobsmith_verify_state* state);

#ifdef __cplusplus
}
#endif

#endif /* BLOBSMITH_READER_H_ */
