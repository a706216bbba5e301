/* sdl_rwops_test bmp FILE: writes the test picture, a 7 by 5 BMP.
 * sdl_rwops_test PACK TREE: every file of TREE, read through an SDL_RWops
 * over its member of the pack of TREE, in objects of 3 bytes and then 1,
 * holds the file's bytes; seeks from each origin land where they say and
 * none leaves the member; writes fail; the picture (picture.bmp in TREE)
 * loads through SDL_LoadBMP_RW as drawn. Prints each failure; exit 0 when
 * there is none. */
#define _DEFAULT_SOURCE
#include <SDL.h>
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "blobsmith/reader.h"
#include "blobsmith/sdl.h"

static int failures = 0;

static void fail(const char* what, const char* name) {
  fprintf(stderr, "FAIL: %s: %s (%s)\n", what, name, SDL_GetError());
  ++failures;
}

static SDL_Surface* picture(void) {
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 7, 5, 24, SDL_PIXELFORMAT_RGB24);
  int x, y;
  for (y = 0; y < 5; ++y) {
    for (x = 0; x < 7; ++x) {
      Uint8* pixel = (Uint8*)surface->pixels + y * surface->pitch + x * 3;
      pixel[0] = (Uint8)(x * 36);
      pixel[1] = (Uint8)(y * 60);
      pixel[2] = (Uint8)(x * y * 9 + 1);
    }
  }
  return surface;
}

static void check_picture(const blobsmith_pack* pack) {
  SDL_Surface* drawn = picture();
  SDL_Surface* loaded = SDL_LoadBMP_RW(blobsmith_sdl_open(pack, "picture.bmp"), 1);
  SDL_Surface* same =
      loaded == NULL ? NULL : SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
  int y;
  if (same == NULL || same->w != 7 || same->h != 5) {
    fail("SDL_LoadBMP_RW", "picture.bmp");
  } else {
    for (y = 0; y < 5; ++y) {
      if (memcmp((Uint8*)same->pixels + y * same->pitch, (Uint8*)drawn->pixels + y * drawn->pitch,
                 7 * 3) != 0) {
        fail("pixels", "picture.bmp");
      }
    }
  }
  SDL_FreeSurface(same);
  SDL_FreeSurface(loaded);
  SDL_FreeSurface(drawn);
}

static void check_file(const blobsmith_pack* pack, const char* name, const unsigned char* expected,
                       size_t size) {
  SDL_RWops* rw = blobsmith_sdl_open(pack, name);
  unsigned char* got = malloc(size + 3);
  size_t whole = 0, rest = 0;
  Uint8 byte = 0;
  if (rw == NULL) {
    fail("blobsmith_sdl_open", name);
    free(got);
    return;
  }
  if (SDL_RWsize(rw) != (Sint64)size) fail("SDL_RWsize", name);
  whole = SDL_RWread(rw, got, 3, size / 3 + 1); /* asks for more than there is */
  rest = SDL_RWread(rw, got + whole * 3, 1, 3);
  if (whole != size / 3 || rest != size % 3 || memcmp(got, expected, size) != 0)
    fail("bytes", name);
  if (SDL_RWread(rw, &byte, 1, 1) != 0) fail("read past the end", name);
  if (SDL_RWseek(rw, 0, RW_SEEK_END) != (Sint64)size ||
      SDL_RWseek(rw, -(Sint64)size / 2, RW_SEEK_CUR) != (Sint64)(size - size / 2) ||
      SDL_RWtell(rw) != (Sint64)(size - size / 2)) {
    fail("seek", name);
  }
  if (size > 0 && (SDL_RWread(rw, &byte, 1, 1) != 1 || byte != expected[size - size / 2])) {
    fail("read after seeking", name);
  }
  if (SDL_RWseek(rw, -1, RW_SEEK_SET) != -1 || SDL_RWseek(rw, 1, RW_SEEK_END) != -1) {
    fail("seek outside the member", name);
  }
  if (SDL_RWwrite(rw, "x", 1, 1) != 0) fail("write", name);
  SDL_RWclose(rw);
  free(got);
}

static void check_tree(const blobsmith_pack* pack, const char* root, const char* below) {
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
    if (S_ISDIR(info.st_mode)) {
      check_tree(pack, root, name);
    } else {
      FILE* file = fopen(path, "rb");
      unsigned char* bytes = malloc((size_t)info.st_size + 1);
      if (fread(bytes, 1, (size_t)info.st_size, file) != (size_t)info.st_size) fail("fread", path);
      fclose(file);
      check_file(pack, name, bytes, (size_t)info.st_size);
      free(bytes);
    }
  }
  if (dir != NULL) closedir(dir);
}

int main(int argc, char** argv) {
  blobsmith_pack* pack = NULL;
  if (argc == 3 && strcmp(argv[1], "bmp") == 0) {
    SDL_Surface* surface = picture();
    const int saved = SDL_SaveBMP(surface, argv[2]);
    SDL_FreeSurface(surface);
    return saved == 0 ? 0 : 1;
  }
  if (argc != 3 || blobsmith_open_file(argv[1], NULL, &pack) != BLOBSMITH_OK) {
    fprintf(stderr, "usage: sdl_rwops_test bmp FILE | PACK TREE (a pack that opens)\n");
    return 2;
  }
  check_tree(pack, argv[2], "");
  check_picture(pack);
  if (blobsmith_sdl_rwops(pack, -1) != NULL || blobsmith_sdl_open(pack, "no/such") != NULL) {
    fail("an SDL_RWops over no member", "-1");
  }
  blobsmith_close(pack);
  return failures == 0 ? 0 : 1;
}
