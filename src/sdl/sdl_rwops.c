/* The SDL_RWops of blobsmith/sdl.h: a member's place in the pack and a
 * position of its own, read through blobsmith_read. */
#include <SDL.h>

#include "blobsmith/sdl.h"

typedef struct MemberStream {
  const blobsmith_pack* pack;
  int32_t index;
  Sint64 size;
  Sint64 position;
} MemberStream;

static MemberStream* stream_of(SDL_RWops* rw) { return (MemberStream*)rw->hidden.unknown.data1; }

static Sint64 SDLCALL stream_size(SDL_RWops* rw) { return stream_of(rw)->size; }

static Sint64 SDLCALL stream_seek(SDL_RWops* rw, Sint64 offset, int whence) {
  MemberStream* stream = stream_of(rw);
  Sint64 base = 0;
  if (whence == RW_SEEK_CUR) {
    base = stream->position;
  } else if (whence == RW_SEEK_END) {
    base = stream->size;
  } else if (whence != RW_SEEK_SET) {
    return SDL_SetError("blobsmith: unknown seek origin %d", whence);
  }
  if ((offset < 0 && -offset > base) || (offset > 0 && offset > stream->size - base)) {
    return SDL_SetError("blobsmith: seek outside the member");
  }
  stream->position = base + offset;
  return stream->position;
}

static size_t SDLCALL stream_read(SDL_RWops* rw, void* buffer, size_t size, size_t count) {
  MemberStream* stream = stream_of(rw);
  const size_t left = (size_t)(stream->size - stream->position);
  size_t whole = 0;
  int64_t got = 0;
  if (size == 0 || count == 0) return 0;
  /* Only whole objects are read; what would be cut is left for later. */
  whole = count < left / size ? count : left / size;
  if (whole == 0) return 0;
  got =
      blobsmith_read(stream->pack, stream->index, (uint64_t)stream->position, buffer, whole * size);
  if (got != (int64_t)(whole * size)) {
    SDL_SetError("blobsmith: %s", blobsmith_status_text(got < 0 ? (int)got : BLOBSMITH_ERROR_READ));
    return 0;
  }
  stream->position += (Sint64)got;
  return whole;
}

static size_t SDLCALL stream_write(SDL_RWops* rw, const void* buffer, size_t size, size_t count) {
  (void)rw;
  (void)buffer;
  (void)size;
  (void)count;
  SDL_SetError("blobsmith: a pack's member is read-only");
  return 0;
}

static int SDLCALL stream_close(SDL_RWops* rw) {
  SDL_free(stream_of(rw));
  SDL_FreeRW(rw);
  return 0;
}

struct SDL_RWops* blobsmith_sdl_rwops(const blobsmith_pack* pack, int32_t index) {
  blobsmith_member member;
  MemberStream* stream = NULL;
  SDL_RWops* rw = NULL;
  const int status = blobsmith_member_at(pack, index, &member);
  if (status != BLOBSMITH_OK) {
    SDL_SetError("blobsmith: %s", blobsmith_status_text(status));
    return NULL;
  }
  stream = (MemberStream*)SDL_malloc(sizeof *stream);
  rw = stream == NULL ? NULL : SDL_AllocRW();
  if (rw == NULL) {
    SDL_free(stream);
    SDL_OutOfMemory();
    return NULL;
  }
  stream->pack = pack;
  stream->index = index;
  stream->size = (Sint64)member.size;
  stream->position = 0;
  rw->size = stream_size;
  rw->seek = stream_seek;
  rw->read = stream_read;
  rw->write = stream_write;
  rw->close = stream_close;
  rw->type = SDL_RWOPS_UNKNOWN;
  rw->hidden.unknown.data1 = stream;
  return rw;
}

struct SDL_RWops* blobsmith_sdl_open(const blobsmith_pack* pack, const char* name) {
  const int32_t index = blobsmith_find(pack, name);
  if (index < 0) {
    SDL_SetError("blobsmith: %s", blobsmith_status_text(index));
    return NULL;
  }
  return blobsmith_sdl_rwops(pack, index);
}
