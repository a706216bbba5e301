/* check_pack_members(argc, argv), argv being <program> <pack> <source-dir>
 * <name>... naming every file under source-dir: returns 0 when each member,
 * found by name in the pack opened as a file and as a memory image, holds
 * its file's bytes, and the pack holds nothing else. Compiles as C++ too. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <blobsmith/reader.h>

int check_pack_members(int argc, char** argv);

/* The whole of a file, in a block one byte longer than *size. */
static unsigned char* slurp(const char* path, size_t* size) {
  FILE* file = fopen(path, "rb");
  long length = file && fseek(file, 0, SEEK_END) == 0 ? ftell(file) : -1;
  unsigned char* bytes = length >= 0 ? (unsigned char*)malloc((size_t)length + 1) : NULL;
  *size = length >= 0 ? (size_t)length : 0;
  if (bytes && (fseek(file, 0, SEEK_SET) != 0 || fread(bytes, 1, *size, file) != *size)) {
    free(bytes);
    bytes = NULL;
  }
  if (file) fclose(file);
  return bytes;
}

static int check(const blobsmith_pack* pack, const char* how, int argc, char** argv) {
  int failures = (blobsmith_entry_count(pack) != argc - 3) +
                 (blobsmith_find(pack, "no/such/member") != BLOBSMITH_ERROR_NOT_FOUND);
  int i;
  for (i = 3; i < argc; ++i) {
    char path[4096];
    size_t size;
    unsigned char *expected, *actual;
    int64_t got = -1;
    snprintf(path, sizeof path, "%s/%s", argv[2], argv[i]);
    expected = slurp(path, &size);
    actual = (unsigned char*)malloc(size + 1);
    if (expected && actual)
      got = blobsmith_read_member(pack, blobsmith_find(pack, argv[i]), actual, size + 1);
    if (got != (int64_t)size || memcmp(actual, expected, size) != 0) {
      fprintf(stderr, "%s: %s read wrongly\n", how, argv[i]);
      ++failures;
    }
    free(expected);
    free(actual);
  }
  return failures;
}

int check_pack_members(int argc, char** argv) {
  blobsmith_pack *from_file = NULL, *from_memory = NULL;
  size_t size = 0;
  unsigned char* image = argc >= 3 ? slurp(argv[1], &size) : NULL;
  int failures = 1;
  if (image && blobsmith_open_file(argv[1], NULL, &from_file) == BLOBSMITH_OK &&
      blobsmith_open_memory(image, size, NULL, &from_memory) == BLOBSMITH_OK)
    failures = check(from_file, "file", argc, argv) + check(from_memory, "memory", argc, argv);
  else
    fprintf(stderr, "the pack does not open\n");
  blobsmith_close(from_file);
  blobsmith_close(from_memory);
  free(image);
  return failures != 0;
}
