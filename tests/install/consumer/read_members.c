/* check_pack_members(argc, argv), argv being <program> <pack> <source-dir>
 * <name>... naming every file under source-dir: returns 0 when each member,
 * found by name in the pack opened as a file and as a memory image, holds
 * its file's bytes, and the pack holds nothing else. Compiles as C++ too. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <blobsmith/reader.h>

int check_pack_members(int argc, char** argv);

/* The whole of a file (size bytes) in a block one byte longer, or NULL. */
static unsigned char* slurp(const char* path, size_t* size) {
  FILE* file = fopen(path, "rb");
  unsigned char* bytes = (unsigned char*)malloc(1 << 20);
  *size = file && bytes ? fread(bytes, 1, (1 << 20) - 1, file) : 0;
  if (file) fclose(file);
  return bytes;
}

static int check(const blobsmith_pack* pack, int argc, char** argv) {
  int failures = (blobsmith_entry_count(pack) != argc - 3) +
                 (blobsmith_find(pack, "no/such/member") != BLOBSMITH_ERROR_NOT_FOUND);
  int i;
  for (i = 3; i < argc; ++i) {
    char path[4096];
    size_t size;
    unsigned char *expected, actual[1 << 16];
    snprintf(path, sizeof path, "%s/%s", argv[2], argv[i]);
    expected = slurp(path, &size);
    if (blobsmith_read_member(pack, blobsmith_find(pack, argv[i]), actual, sizeof actual) !=
            (int64_t)size || memcmp(actual, expected, size) != 0) {
      fprintf(stderr, "%s read wrongly\n", argv[i]);
      ++failures;
    }
    free(expected);
  }
  return failures;
}

int check_pack_members(int argc, char** argv) {
  blobsmith_pack *from_file = NULL, *from_memory = NULL;
  size_t size = 0;
  unsigned char* image = slurp(argv[1], &size);
  int failures = blobsmith_open_file(argv[1], NULL, &from_file) != BLOBSMITH_OK ||
                 blobsmith_open_memory(image, size, NULL, &from_memory) != BLOBSMITH_OK;
  if (failures == 0) failures = check(from_file, argc, argv) + check(from_memory, argc, argv);
  blobsmith_close(from_file);
  blobsmith_close(from_memory);
  free(image);
  return failures != 0;
}
