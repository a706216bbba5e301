/* physfs_test PACK TREE: the pack of TREE, mounted through the archiver by
 * path at "/" and from memory at "/memory", holds exactly TREE's files and
 * directories, every file byte for byte (read in odd pieces, by two
 * handles at once, and after seeks); names are case-sensitive; files that
 * are not packs are left to other archivers. Prints each failure; exit 0
 * when there is none. */
#define _DEFAULT_SOURCE
#include "blobsmith/physfs.h"

#include <dirent.h>
#include <physfs.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

static int failures = 0;

static void fail(const char* what, const char* name) {
  fprintf(stderr, "FAIL: %s: %s (%s)\n", what, name,
          PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode()));
  ++failures;
}

/* A list of "d path" and "f path" lines, kept sorted. */
typedef struct Listing {
  char** lines;
  size_t count;
} Listing;

static void add_line(Listing* listing, char kind, const char* path) {
  char* line = malloc(strlen(path) + 3);
  sprintf(line, "%c %s", kind, path);
  listing->lines = realloc(listing->lines, (listing->count + 1) * sizeof *listing->lines);
  listing->lines[listing->count++] = line;
}

static int by_text(const void* a, const void* b) {
  return strcmp(*(char* const*)a, *(char* const*)b);
}

static void list_tree(const char* root, const char* below, Listing* listing) {
  char path[4096];
  DIR* dir;
  struct dirent* entry;
  snprintf(path, sizeof path, "%s/%s", root, below);
  dir = opendir(path);
  while (dir != NULL && (entry = readdir(dir)) != NULL) {
    char name[4096];
    struct stat info;
    if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0) continue;
    snprintf(name, sizeof name, "%s%s%s", below, *below ? "/" : "", entry->d_name);
    if (snprintf(path, sizeof path, "%s/%s", root, name) >= (int)sizeof path) continue;
    stat(path, &info);
    add_line(listing, S_ISDIR(info.st_mode) ? 'd' : 'f', name);
    if (S_ISDIR(info.st_mode)) list_tree(root, name, listing);
  }
  if (dir != NULL) closedir(dir);
}

typedef struct Walk {
  const char* top;
  Listing* listing;
} Walk;

static PHYSFS_EnumerateCallbackResult take_entry(void* data, const char* directory,
                                                 const char* name) {
  const Walk* walk = (const Walk*)data;
  char path[4096];
  PHYSFS_Stat info;
  const size_t skip = strlen(walk->top);
  snprintf(path, sizeof path, "%s%s%s", directory, *directory ? "/" : "", name);
  if (!PHYSFS_stat(path, &info)) {
    fail("stat", path);
    return PHYSFS_ENUM_ERROR;
  }
  /* The listing is relative to the walk's top. */
  add_line(walk->listing, info.filetype == PHYSFS_FILETYPE_DIRECTORY ? 'd' : 'f',
           path + (skip > 0 ? skip + 1 : 0));
  if (info.filetype == PHYSFS_FILETYPE_DIRECTORY && !PHYSFS_enumerate(path, take_entry, data)) {
    return PHYSFS_ENUM_ERROR;
  }
  return PHYSFS_ENUM_OK;
}

static unsigned char* slurp(const char* path, long* size) {
  FILE* file = fopen(path, "rb");
  unsigned char* bytes = NULL;
  fseek(file, 0, SEEK_END);
  *size = ftell(file);
  rewind(file);
  bytes = malloc((size_t)*size + 1);
  if (fread(bytes, 1, (size_t)*size, file) != (size_t)*size) *size = -1;
  fclose(file);
  return bytes;
}

/* The file at path under top holds expected (size bytes), read by two
 * handles in turn in pieces of 97 bytes; seeks land where they say. */
static void check_file(const char* top, const char* name, const unsigned char* expected,
                       long size) {
  char path[4096];
  PHYSFS_File* files[2];
  unsigned char piece[97];
  long done[2] = {0, 0};
  int turn = 0;
  snprintf(path, sizeof path, "%s%s%s", top, *top ? "/" : "", name);
  files[0] = PHYSFS_openRead(path);
  files[1] = PHYSFS_openRead(path);
  if (files[0] == NULL || files[1] == NULL) {
    fail("openRead", path);
    return;
  }
  if (PHYSFS_fileLength(files[0]) != size) fail("fileLength", path);
  for (; done[0] < size || done[1] < size; turn = 1 - turn) {
    const PHYSFS_sint64 got = PHYSFS_readBytes(files[turn], piece, sizeof piece);
    const long want =
        size - done[turn] < (long)sizeof piece ? size - done[turn] : (long)sizeof piece;
    if (got != want || memcmp(piece, expected + done[turn], (size_t)want) != 0) {
      fail("bytes", path);
      break;
    }
    done[turn] += (long)got;
  }
  if (!PHYSFS_eof(files[0]) || PHYSFS_readBytes(files[0], piece, 1) != 0) fail("end", path);
  if (size > 0 &&
      (!PHYSFS_seek(files[1], (PHYSFS_uint64)size / 2) || PHYSFS_tell(files[1]) != size / 2 ||
       PHYSFS_readBytes(files[1], piece, 1) != 1 || piece[0] != expected[size / 2])) {
    fail("seek", path);
  }
  if (PHYSFS_seek(files[1], (PHYSFS_uint64)size + 1)) fail("seek past the end", path);
  PHYSFS_close(files[0]);
  PHYSFS_close(files[1]);
}

/* The mounted tree at top against the real one. */
static void check_mount(const char* top, const char* tree, const Listing* real) {
  Listing seen = {NULL, 0};
  Walk walk = {top, &seen};
  size_t i;
  if (!PHYSFS_enumerate(top, take_entry, &walk)) fail("enumerate", top);
  qsort(seen.lines, seen.count, sizeof *seen.lines, by_text);
  if (seen.count != real->count) fail("entry count", top);
  for (i = 0; i < seen.count && i < real->count; ++i) {
    if (strcmp(seen.lines[i], real->lines[i]) != 0) fail("entry", seen.lines[i]);
  }
  for (i = 0; i < real->count; ++i) {
    char path[4096];
    long size = 0;
    unsigned char* bytes = NULL;
    if (real->lines[i][0] != 'f') continue;
    snprintf(path, sizeof path, "%s/%s", tree, real->lines[i] + 2);
    bytes = slurp(path, &size);
    check_file(top, real->lines[i] + 2, bytes, size);
    free(bytes);
  }
  for (i = 0; i < seen.count; ++i) free(seen.lines[i]);
  free(seen.lines);
}

/* A file of these bytes must not mount: no archiver claims it. */
static void check_not_claimed(const char* path, const char* bytes, size_t length) {
  FILE* file = fopen(path, "wb");
  fwrite(bytes, 1, length, file);
  fclose(file);
  if (PHYSFS_mount(path, "/other", 1) || PHYSFS_getLastErrorCode() != PHYSFS_ERR_UNSUPPORTED) {
    fail("claimed a file that is not a pack", path);
  }
}

int main(int argc, char** argv) {
  Listing real = {NULL, 0};
  long size = 0;
  unsigned char* image = NULL;
  char header[512] = "SFHI";
  size_t i;
  if (argc != 3 || !PHYSFS_init(argv[0]) || !blobsmith_physfs_register()) {
    fprintf(stderr, "usage: physfs_test PACK TREE (and PhysicsFS must start)\n");
    return 2;
  }
  if (blobsmith_physfs_register() || PHYSFS_getLastErrorCode() != PHYSFS_ERR_DUPLICATE) {
    fail("registered twice", "BIN");
  }
  list_tree(argv[2], "", &real);
  qsort(real.lines, real.count, sizeof *real.lines, by_text);
  image = slurp(argv[1], &size);
  if (!PHYSFS_mount(argv[1], "/", 1)) fail("mount", argv[1]);
  check_mount("", argv[2], &real);
  /* Case-sensitive: no file is found by its name in upper case. */
  for (i = 0; i < real.count; ++i) {
    char upper[4096];
    size_t k;
    for (k = 0; real.lines[i][k + 2] != '\0'; ++k) {
      const char c = real.lines[i][k + 2];
      upper[k] = (char)(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    upper[k] = '\0';
    if (strcmp(upper, real.lines[i] + 2) != 0 && PHYSFS_exists(upper))
      fail("found in upper case", upper);
  }
  if (!PHYSFS_unmount(argv[1])) fail("unmount", argv[1]);
  if (!PHYSFS_mountMemory(image, (PHYSFS_uint64)size, NULL, "pack.bin", "/memory", 1)) {
    fail("mountMemory", argv[1]);
  }
  check_mount("memory", argv[2], &real);
  check_not_claimed("plain.txt", "not a pack\n", 11);
  check_not_claimed("magic_only.bin", header, sizeof header);
  for (i = 0; i < real.count; ++i) free(real.lines[i]);
  free(real.lines);
  PHYSFS_deinit();
  free(image);
  return failures == 0 ? 0 : 1;
}
