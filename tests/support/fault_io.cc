// The fault injector: __wrap_ versions of the seam calls.
#include "support/fault_io.h"

#include "platform/io.h"

using namespace blobsmith;  // NOLINT: stand-ins for the tool's own seam

namespace {

struct Injector {
  int counts[FAULT_CALL_KINDS];
  FaultCall planned_call, hook_call;
  int planned_nth, hook_nth;  // 0: nothing planned
  FaultMode planned_mode;
  bool fired;
  std::function<void()> hook;
};

Injector& injector() {
  static Injector* state = new Injector{};
  return *state;
}

// Counts one call and runs a hook due before it; true when it is to fail.
bool enter(const FaultCall call) {
  Injector& s = injector();
  const int nth = ++s.counts[call];
  if (s.hook && s.hook_call == call && s.hook_nth == nth) s.hook();
  const bool fail = !s.fired && s.planned_nth == nth && s.planned_call == call;
  s.fired = s.fired || fail;
  return fail;
}

}  // namespace

void fault_reset() { injector() = Injector{}; }

void fault_plan(const FaultCall call, const int nth, const FaultMode mode) {
  Injector& s = injector();
  s.planned_call = call, s.planned_nth = nth, s.planned_mode = mode;
}

void fault_hook(const FaultCall call, const int nth, std::function<void()> hook) {
  Injector& s = injector();
  s.hook_call = call, s.hook_nth = nth, s.hook = std::move(hook);
}

int fault_count(const FaultCall call) { return injector().counts[call]; }

bool fault_fired() { return injector().fired; }

// Each wrapper counts its call (running a hook due before it) and then
// either fails it, returning `failed`, or passes it to the real call.
#define BLOBSMITH_WRAP(kind, type, name, failed, params, args) \
  type __real_##name params;                                   \
  type __wrap_##name params { return enter(kind) ? (failed) : __real_##name args; }

extern "C" {

BLOBSMITH_WRAP(FAULT_OPEN, IoFile*, io_open, nullptr, (const char* path), (path))
BLOBSMITH_WRAP(FAULT_CREATE, IoFile*, io_create_new, nullptr,
               (const char* path, uint32_t permissions, int keep_exactly),
               (path, permissions, keep_exactly))
BLOBSMITH_WRAP(FAULT_CREATE_TEMP, IoFile*, io_create_temp, nullptr,
               (const char* path, uint32_t permissions, int keep_exactly, int* named),
               (path, permissions, keep_exactly, named))
BLOBSMITH_WRAP(FAULT_KEEP_TEMP, int, io_keep_temp, -1, (IoFile * file, const char* path),
               (file, path))
BLOBSMITH_WRAP(FAULT_SEEK, int, io_seek, -1, (IoFile * file, int64_t offset, int origin),
               (file, offset, origin))
BLOBSMITH_WRAP(FAULT_TELL, int64_t, io_tell, -1, (IoFile * file), (file))
BLOBSMITH_WRAP(FAULT_STATUS, int, io_status, -1, (IoFile * file, FileStatus* status),
               (file, status))
BLOBSMITH_WRAP(FAULT_DIR_OPEN, DirSearch*, dir_search_open, nullptr,
               (const char* dir, FileIdentity* identity), (dir, identity))
BLOBSMITH_WRAP(FAULT_DIR_NEXT, int, dir_search_next, -1, (DirSearch * search, DirEntryInfo* info),
               (search, info))
BLOBSMITH_WRAP(FAULT_OUT_OPEN, OutDir*, out_dir_open, nullptr, (const char* path), (path))
BLOBSMITH_WRAP(FAULT_OUT_LEVEL, OutDir*, out_dir_open_level,
               (*object = OutObject{}, *failure = OUT_FAILED, nullptr),
               (OutDir * parent, const char* name, OutObject* object, int* failure),
               (parent, name, object, failure))
BLOBSMITH_WRAP(FAULT_OUT_CREATE, IoFile*, out_dir_create_file,
               (*object = OutObject{}, *failure = OUT_FAILED, nullptr),
               (OutDir * dir, const char* name, OutObject* object, int* failure),
               (dir, name, object, failure))
BLOBSMITH_WRAP(FAULT_OUT_REPLACE, IoFile*, out_dir_replace_file,
               (*object = OutObject{}, *failure = OUT_FAILED, nullptr),
               (OutDir * dir, const char* name, const FileIdentity* protect, OutObject* object,
                int* failure),
               (dir, name, protect, object, failure))
BLOBSMITH_WRAP(FAULT_PATH_STATUS, int, path_status, -1,
               (const char* path, int follow, FileStatus* status), (path, follow, status))
BLOBSMITH_WRAP(FAULT_RENAME, int, path_rename, -1, (const char* from, const char* to), (from, to))
BLOBSMITH_WRAP(FAULT_TOUCH, int, path_touch, -1, (const char* path), (path))

// Reads and writes may also move half of what was asked; a failed close
// has still closed the file.
size_t __real_io_read(void* buffer, size_t size, size_t count, IoFile* file);
size_t __real_io_write(const void* buffer, size_t size, size_t count, IoFile* file);
int __real_io_close(IoFile* file);

size_t __wrap_io_read(void* buffer, size_t size, size_t count, IoFile* file) {
  if (!enter(FAULT_READ)) return __real_io_read(buffer, size, count, file);
  const bool half = injector().planned_mode == FAULT_SHORT;
  return half ? __real_io_read(buffer, 1, size * count / 2, file) / size : 0;
}

size_t __wrap_io_write(const void* buffer, size_t size, size_t count, IoFile* file) {
  if (!enter(FAULT_WRITE)) return __real_io_write(buffer, size, count, file);
  const bool half = injector().planned_mode == FAULT_SHORT;
  return half ? __real_io_write(buffer, 1, size * count / 2, file) / size : 0;
}

int __wrap_io_close(IoFile* file) {
  const int closed = __real_io_close(file);
  return enter(FAULT_CLOSE) ? -1 : closed;
}

}  // extern "C"
