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
 * alignment), the reader never allocates: not when opening, looking up or
 * reading. Given an allocator, it asks it once per open and releases the
 * block at close. Given neither (storage NULL), it uses malloc and free.
 *
 * Arguments: a NULL pointer where a call needs one is refused with
 * BLOBSMITH_ERROR_ARGUMENT before anything is read, allocated or opened, and
 * no out-parameter is written. NULL is allowed only where this header says
 * so: the pack given to blobsmith_close, the storage of an open, a
 * storage's allocator (and its memory when its size is 0), the buffer of
 * blobsmith_read and blobsmith_read_member when its length is 0, and the
 * contexts, which are passed to the caller's functions as they are.
 *
 * Threads: once open, a pack may be used from any number of threads at the
 * same time: blobsmith_find, blobsmith_member_at, blobsmith_read,
 * blobsmith_read_member, blobsmith_member_data, blobsmith_entry_count and
 * blobsmith_pack_info change nothing and keep no cursor or buffer (reads
 * are positional). A read callback is called from every thread that reads,
 * possibly at the same time, and must allow it. blobsmith_close must not run
 * while any other call on the same pack does.
 *
 * Names: a lookup compares ASCII letters without regard to case and takes
 * "/" and "\\" alike, so "img/logo.png" finds the stored "img\\logo.png".
 * When several members match, one equal to the name byte for byte (the two
 * separators still alike) wins, otherwise the first in table order.
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

/* Opens the regular file at path; it stays open until blobsmith_close. */
BLOBSMITH_API int blobsmith_open_file(const char* path, const blobsmith_storage* storage,
                                      blobsmith_pack** pack);

/* Releases what the open took. A NULL pack is ignored. */
BLOBSMITH_API void blobsmith_close(blobsmith_pack* pack);

/* The number of entries in the pack's table, zeroed ones included. */
BLOBSMITH_API int32_t blobsmith_entry_count(const blobsmith_pack* pack);

/* The header's entry count, machine flag and stamps. */
BLOBSMITH_API int blobsmith_pack_info_of(const blobsmith_pack* pack, blobsmith_pack_info* info);

/* The index of the member called name, in O(log n), or
 * BLOBSMITH_ERROR_NOT_FOUND. Zeroed entries and names not terminated in
 * their field are never found. */
BLOBSMITH_API int32_t blobsmith_find(const blobsmith_pack* pack, const char* name);

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

#ifdef __cplusplus
}
#endif

#endif /* BLOBSMITH_READER_H_ */
