/* The PhysicsFS archiver of blobsmith/physfs.h. An archive holds the
 * PHYSFS_Io PhysicsFS opened and the pack opened through it (the header
 * and table are read once, at the mount); each file opened from it holds a
 * duplicate of that Io, with the cursor it needs, and the member's place. */
#include <physfs.h>
#include <stddef.h>
#include <stdint.h>

#include "blobsmith/physfs.h"
#include "blobsmith/reader.h"

typedef struct Archive {
  PHYSFS_Io* io;
  blobsmith_pack* pack;
} Archive;

typedef struct MemberFile {
  PHYSFS_Io* io; /* a duplicate of the archive's, its cursor this file's own */
  PHYSFS_uint64 start;
  PHYSFS_uint64 size;
  PHYSFS_uint64 position;
} MemberFile;

static void* allocate(PHYSFS_uint64 size) {
  return size > SIZE_MAX ? NULL : PHYSFS_getAllocator()->Malloc(size);
}

static void release(void* block) { PHYSFS_getAllocator()->Free(block); }

/* The reader's storage, from PhysicsFS's allocator. */
static void* allocate_storage(void* context, size_t size) {
  (void)context;
  return allocate(size);
}

static void release_storage(void* context, void* block) {
  (void)context;
  release(block);
}

/* The reader's reads at an offset through an Io, whose cursor they move. */
static int64_t read_io_at(void* context, uint64_t offset, void* buffer, size_t length) {
  PHYSFS_Io* io = (PHYSFS_Io*)context;
  unsigned char* into = (unsigned char*)buffer;
  size_t copied = 0;
  if (!io->seek(io, offset)) return -1;
  while (copied < length) {
    const PHYSFS_sint64 got = io->read(io, into + copied, length - copied);
    if (got < 0) return -1;
    if (got == 0) break;
    copied += (size_t)got;
  }
  return (int64_t)copied;
}

static const PHYSFS_Io member_io_template;

static PHYSFS_sint64 member_read(PHYSFS_Io* io, void* buffer, PHYSFS_uint64 length) {
  MemberFile* file = (MemberFile*)io->opaque;
  const PHYSFS_uint64 left = file->size - file->position;
  const PHYSFS_uint64 wanted = length < left ? length : left;
  PHYSFS_sint64 got = 0;
  if (wanted == 0) return 0;
  if (!file->io->seek(file->io, file->start + file->position)) return -1;
  got = file->io->read(file->io, buffer, wanted);
  if (got > 0) file->position += (PHYSFS_uint64)got;
  return got;
}

static PHYSFS_sint64 member_write(PHYSFS_Io* io, const void* buffer, PHYSFS_uint64 length) {
  (void)io;
  (void)buffer;
  (void)length;
  PHYSFS_setErrorCode(PHYSFS_ERR_OPEN_FOR_READING);
  return -1;
}

static int member_seek(PHYSFS_Io* io, PHYSFS_uint64 offset) {
  MemberFile* file = (MemberFile*)io->opaque;
  if (offset > file->size) {
    PHYSFS_setErrorCode(PHYSFS_ERR_PAST_EOF);
    return 0;
  }
  file->position = offset;
  return 1;
}

static PHYSFS_sint64 member_tell(PHYSFS_Io* io) {
  return (PHYSFS_sint64)((MemberFile*)io->opaque)->position;
}

static PHYSFS_sint64 member_length(PHYSFS_Io* io) {
  return (PHYSFS_sint64)((MemberFile*)io->opaque)->size;
}

static int member_flush(PHYSFS_Io* io) {
  (void)io;
  return 1;
}

static void member_destroy(PHYSFS_Io* io) {
  MemberFile* file = (MemberFile*)io->opaque;
  file->io->destroy(file->io);
  release(file);
  release(io);
}

/* A file over [start, start + size) of source's bytes at position, reading
 * through its own duplicate of source. NULL, with the error set, when
 * either cannot be had. */
static PHYSFS_Io* make_member_io(PHYSFS_Io* source, PHYSFS_uint64 start, PHYSFS_uint64 size,
                                 PHYSFS_uint64 position) {
  PHYSFS_Io* io = (PHYSFS_Io*)allocate(sizeof *io);
  MemberFile* file = (MemberFile*)allocate(sizeof *file);
  PHYSFS_Io* own = NULL;
  if (io == NULL || file == NULL) {
    PHYSFS_setErrorCode(PHYSFS_ERR_OUT_OF_MEMORY);
  } else {
    own = source->duplicate(source);
  }
  if (own == NULL) {
    release(io);
    release(file);
    return NULL;
  }
  file->io = own;
  file->start = start;
  file->size = size;
  file->position = position;
  *io = member_io_template;
  io->opaque = file;
  return io;
}

/* A full copy, at the same position, independent of the original. */
static PHYSFS_Io* member_duplicate(PHYSFS_Io* io) {
  const MemberFile* file = (const MemberFile*)io->opaque;
  return make_member_io(file->io, file->start, file->size, file->position);
}

static const PHYSFS_Io member_io_template = {
    0,           NULL,          member_read,      member_write, member_seek,
    member_tell, member_length, member_duplicate, member_flush, member_destroy};

static void* open_archive(PHYSFS_Io* io, const char* name, int for_write, int* claimed) {
  unsigned char header[512];
  int32_t count = 0;
  Archive* archive = NULL;
  blobsmith_allocator allocator = {allocate_storage, release_storage, NULL};
  blobsmith_storage storage = {NULL, 0, NULL};
  blobsmith_io reads = {read_io_at, 0, NULL};
  int status = BLOBSMITH_OK;
  (void)name;
  *claimed = 0;
  if (io == NULL) return NULL; /* a directory */
  if (read_io_at(io, 0, header, sizeof header) != (int64_t)sizeof header ||
      blobsmith_entry_count_of(header, sizeof header, &count) == BLOBSMITH_ERROR_NOT_A_PACK) {
    PHYSFS_setErrorCode(PHYSFS_ERR_UNSUPPORTED);
    return NULL;
  }
  /* The magic and the tail signature: a pack, even if it cannot be opened. */
  *claimed = 1;
  if (for_write) {
    PHYSFS_setErrorCode(PHYSFS_ERR_READ_ONLY);
    return NULL;
  }
  archive = (Archive*)allocate(sizeof *archive);
  if (archive == NULL) {
    PHYSFS_setErrorCode(PHYSFS_ERR_OUT_OF_MEMORY);
    return NULL;
  }
  storage.allocator = &allocator;
  reads.size = (uint64_t)io->length(io);
  reads.context = io;
  status = io->length(io) < 0 ? BLOBSMITH_ERROR_READ
                              : blobsmith_open_io(&reads, &storage, &archive->pack);
  if (status != BLOBSMITH_OK) {
    release(archive);
    PHYSFS_setErrorCode(status == BLOBSMITH_ERROR_NO_MEMORY ? PHYSFS_ERR_OUT_OF_MEMORY
                        : status == BLOBSMITH_ERROR_READ    ? PHYSFS_ERR_IO
                                                            : PHYSFS_ERR_CORRUPT);
    return NULL;
  }
  archive->io = io;
  return archive;
}

static PHYSFS_EnumerateCallbackResult enumerate(void* opaque, const char* directory,
                                                PHYSFS_EnumerateCallback callback,
                                                const char* original, void* data) {
  const Archive* archive = (const Archive*)opaque;
  blobsmith_dir dir;
  blobsmith_dir_entry entry;
  const int kind = blobsmith_stat(archive->pack, directory, NULL);
  if (kind == BLOBSMITH_FILE) return PHYSFS_ENUM_OK; /* a file has no entries */
  if (kind != BLOBSMITH_DIRECTORY ||
      blobsmith_dir_begin(archive->pack, directory, &dir) != BLOBSMITH_OK) {
    PHYSFS_setErrorCode(PHYSFS_ERR_NOT_FOUND);
    return PHYSFS_ENUM_ERROR;
  }
  while (blobsmith_dir_next(&dir, &entry) == 1) {
    const PHYSFS_EnumerateCallbackResult result = callback(data, original, entry.name);
    if (result == PHYSFS_ENUM_ERROR) {
      PHYSFS_setErrorCode(PHYSFS_ERR_APP_CALLBACK);
      return PHYSFS_ENUM_ERROR;
    }
    if (result == PHYSFS_ENUM_STOP) return PHYSFS_ENUM_STOP;
  }
  return PHYSFS_ENUM_OK;
}

static PHYSFS_Io* open_read(void* opaque, const char* name) {
  const Archive* archive = (const Archive*)opaque;
  int32_t index = -1;
  blobsmith_member member;
  const int kind = blobsmith_stat(archive->pack, name, &index);
  if (kind != BLOBSMITH_FILE) {
    PHYSFS_setErrorCode(kind == BLOBSMITH_DIRECTORY ? PHYSFS_ERR_NOT_A_FILE : PHYSFS_ERR_NOT_FOUND);
    return NULL;
  }
  /* A member whose bytes lie outside the pack is not handed out in part. */
  if (blobsmith_member_at(archive->pack, index, &member) != BLOBSMITH_OK) {
    PHYSFS_setErrorCode(PHYSFS_ERR_CORRUPT);
    return NULL;
  }
  return make_member_io(archive->io, member.offset, member.size, 0);
}

static PHYSFS_Io* open_for_writing(void* opaque, const char* name) {
  (void)opaque;
  (void)name;
  PHYSFS_setErrorCode(PHYSFS_ERR_READ_ONLY);
  return NULL;
}

static int change(void* opaque, const char* name) {
  (void)opaque;
  (void)name;
  PHYSFS_setErrorCode(PHYSFS_ERR_READ_ONLY);
  return 0;
}

static int stat_name(void* opaque, const char* name, PHYSFS_Stat* stat) {
  const Archive* archive = (const Archive*)opaque;
  int32_t index = -1;
  blobsmith_member member;
  const int kind = blobsmith_stat(archive->pack, name, &index);
  if (kind != BLOBSMITH_FILE && kind != BLOBSMITH_DIRECTORY) {
    PHYSFS_setErrorCode(PHYSFS_ERR_NOT_FOUND);
    return 0;
  }
  stat->filesize = -1;
  if (kind == BLOBSMITH_FILE) {
    blobsmith_member_at(archive->pack, index, &member); /* (filled even when damaged) */
    stat->filesize = (PHYSFS_sint64)member.size;
  }
  stat->modtime = -1;
  stat->createtime = -1;
  stat->accesstime = -1;
  stat->filetype = kind == BLOBSMITH_FILE ? PHYSFS_FILETYPE_REGULAR : PHYSFS_FILETYPE_DIRECTORY;
  stat->readonly = 1;
  return 1;
}

static void close_archive(void* opaque) {
  Archive* archive = (Archive*)opaque;
  blobsmith_close(archive->pack);
  archive->io->destroy(archive->io);
  release(archive);
}

static const PHYSFS_Archiver archiver = {
    0,
    {"BIN", "blobsmith pack", "blobsmith", "", 0},
    open_archive,
    enumerate,
    open_read,
    open_for_writing,
    open_for_writing,
    change,
    change,
    stat_name,
    close_archive,
};

const struct PHYSFS_Archiver* blobsmith_physfs_archiver(void) { return &archiver; }

int blobsmith_physfs_register(void) { return PHYSFS_registerArchiver(&archiver); }
