/* blobsmith/physfs.h: blobsmith packs as PhysicsFS 3 archives.
 *
 * Register the archiver once, after PHYSFS_init, then mount packs as any
 * other archive:
 *
 *   blobsmith_physfs_register();
 *   PHYSFS_mount("res.bin", "/", 1);               (a file)
 *   PHYSFS_mountMemory(image, size, NULL, "res.bin", "/", 1);  (an image)
 *
 * The archiver claims a file only when it begins with a pack's header (the
 * magic and the tail signature both); others are left to the archivers
 * after it. It is read-only and case-sensitive, and shows the pack through
 * the reader's directory view (blobsmith/reader.h): levels compared byte
 * for byte, names that are not canonical left out, a name that is both a
 * member and a directory a file. Enumerate, stat, openRead, read, seek,
 * tell and length behave as for PhysicsFS's own archivers; modification
 * times are -1 (unknown). Each opened file reads through its own duplicate
 * of the archive's PHYSFS_Io, so files of one pack may be read from
 * different threads. The memory the reader needs comes from PhysicsFS's
 * allocator. C99 and C++ alike; link libblobsmith-physfs.a, the reader and
 * PhysicsFS (pkg-config blobsmith-physfs, or CMake blobsmith::physfs). */
#ifndef BLOBSMITH_PHYSFS_H_
#define BLOBSMITH_PHYSFS_H_

#ifdef __cplusplus
extern "C" {
#endif

struct PHYSFS_Archiver;

/* The archiver, extension "BIN" (only a hint: PhysicsFS asks every
 * archiver of a file whatever its extension). */
const struct PHYSFS_Archiver* blobsmith_physfs_archiver(void);

/* PHYSFS_registerArchiver(blobsmith_physfs_archiver()): non-zero once
 * registered, zero with PhysicsFS's error code set otherwise (registering
 * twice gives PHYSFS_ERR_DUPLICATE). */
int blobsmith_physfs_register(void);

#ifdef __cplusplus
}
#endif

#endif /* BLOBSMITH_PHYSFS_H_ */
