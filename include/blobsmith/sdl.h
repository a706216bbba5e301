/* blobsmith/sdl.h: an SDL2 SDL_RWops over one member of an open pack.
 *
 *   SDL_RWops* rw = blobsmith_sdl_open(pack, "img/logo.bmp");
 *   SDL_Surface* logo = SDL_LoadBMP_RW(rw, 1);  (closes rw)
 *
 * The SDL_RWops is read-only (writes fail with SDL's error set) and
 * seekable anywhere from 0 to the member's size; SDL_RWsize gives that
 * size. It reads with blobsmith_read, positionally, so any number of them,
 * over one pack, may be used from different threads at once (each one from
 * one thread at a time, as SDL's own). The pack must stay open until every
 * SDL_RWops over it is closed. Include SDL.h before this header in C++ or
 * C alike; link libblobsmith-sdl.a, the reader and SDL2 (pkg-config
 * blobsmith-sdl, or CMake blobsmith::sdl). */
#ifndef BLOBSMITH_SDL_H_
#define BLOBSMITH_SDL_H_

#include <stdint.h>

#include "blobsmith/reader.h"

#ifdef __cplusplus
extern "C" {
#endif

struct SDL_RWops;

/* Over member index. NULL, with SDL_GetError saying why, when the index
 * names no member, the member's bytes lie outside the pack, or SDL cannot
 * give an SDL_RWops. */
struct SDL_RWops* blobsmith_sdl_rwops(const blobsmith_pack* pack, int32_t index);

/* Over the member blobsmith_find finds by name (ASCII letters without
 * regard to case, "/" and "\\" alike). NULL as above, or when none. */
struct SDL_RWops* blobsmith_sdl_open(const blobsmith_pack* pack, const char* name);

#ifdef __cplusplus
}
#endif

#endif /* BLOBSMITH_SDL_H_ */
