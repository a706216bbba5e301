// The fault injector: __wrap_ versions of the seam calls.
#include "support/fault_io.h"

#include "platform/io.h"

using blobsmith::DirEntryInfo;
using blobsmith::DirSearch;
using blobsmith::FileIdentity;
using blobsmith::FileStatus;
using blobsmith::IoFile;
using blobsmith::OutDir;

extern "C" {
IoFile* __real_io_open(const char* path);
IoFile* __real_io_create_new(const char* path, uint32_t permissions, int keep_exactly);
size_t __real_io_read(void* buffer, size_t size, size_t count, IoFile* file);
size_t __real_io_write(const void* buffer, size_t size, size_t count, IoFile* file);
int __real_io_seek(IoFile* file, int64_t offset, int origin);
int64_t __real_io_tell(IoFile* file);
int __real_io_status(IoFile* file, FileStatus* status);
int __real_io_close(IoFile* file);
DirSearch* __real_dir_search_open(const char* dir, FileIdentity* identity);
int __real_dir_search_next(DirSearch* search, DirEntryInfo* info);
OutDir* __real_out_dir_open(const char* path);
OutDir* __real_out_dir_open_level(OutDir* parent, const char* name, int* failure);
IoFile* __real_out_dir_create_file(OutDir* dir, const char* name, const FileIdentity* protect,
                                   int* failure);
int __real_path_status(const char* path, int follow, FileStatus* status);
int __real_path_read_link(const char* path, char* target, size_t size);
int __real_path_rename(const char* from, const char* to);
int __real_path_remove(const char* path);
}

namespace {

struct Injector {
  int counts[FAULT_CALL_KINDS];
  FaultCall planned_call;
  int planned_nth;  // 0: nothing planned
  FaultMode planned_mode;
  bool fired;
  FaultCall hook_call;
  int hook_nth;
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

bool short_transfer() { return injector().planned_mode == FAULT_SHORT; }

}  // namespace

void fault_reset() { injector() = Injector{}; }

void fault_plan(const FaultCall call, const int nth, const FaultMode mode) {
  Injector& s = injector();
  s.planned_call = call;
  s.planned_nth = nth;
  s.planned_mode = mode;
  s.fired = false;
}

void fault_hook(const FaultCall call, const int nth, std::function<void()> hook) {
  injector().hook_call = call;
  injector().hook_nth = nth;
  injector().hook = std::move(hook);
}

int fault_count(const FaultCall call) { return injector().counts[call]; }

bool fault_fired() { return injector().fired; }

extern "C" {

IoFile* __wrap_io_open(const char* path) {
  return enter(FAULT_OPEN) ? nullptr : __real_io_open(path);
}

IoFile* __wrap_io_create_new(const char* path, uint32_t permissions, int keep_exactly) {
  return enter(FAULT_CREATE) ? nullptr : __real_io_create_new(path, permissions, keep_exactly);
}

size_t __wrap_io_read(void* buffer, size_t size, size_t count, IoFile* file) {
  if (!enter(FAULT_READ)) return __real_io_read(buffer, size, count, file);
  return short_transfer() ? __real_io_read(buffer, 1, size * count / 2, file) / size : 0;
}

size_t __wrap_io_write(const void* buffer, size_t size, size_t count, IoFile* file) {
  if (!enter(FAULT_WRITE)) return __real_io_write(buffer, size, count, file);
  return short_transfer() ? __real_io_write(buffer, 1, size * count / 2, file) / size : 0;
}

int __wrap_io_seek(IoFile* file, int64_t offset, int origin) {
  return enter(FAULT_SEEK) ? -1 : __real_io_seek(file, offset, origin);
}

int64_t __wrap_io_tell(IoFile* file) { return enter(FAULT_TELL) ? -1 : __real_io_tell(file); }

int __wrap_io_status(IoFile* file, FileStatus* status) {
  return enter(FAULT_STATUS) ? -1 : __real_io_status(file, status);
}

int __wrap_io_close(IoFile* file) {
  const int closed = __real_io_close(file);
  return enter(FAULT_CLOSE) ? -1 : closed;
}

DirSearch* __wrap_dir_search_open(const char* dir, FileIdentity* identity) {
  return enter(FAULT_DIR_OPEN) ? nullptr : __real_dir_search_open(dir, identity);
}

int __wrap_dir_search_next(DirSearch* search, DirEntryInfo* info) {
  return enter(FAULT_DIR_NEXT) ? -1 : __real_dir_search_next(search, info);
}

OutDir* __wrap_out_dir_open(const char* path) {
  return enter(FAULT_OUT_OPEN) ? nullptr : __real_out_dir_open(path);
}

OutDir* __wrap_out_dir_open_level(OutDir* parent, const char* name, int* failure) {
  if (!enter(FAULT_OUT_LEVEL)) return __real_out_dir_open_level(parent, name, failure);
  *failure = blobsmith::OUT_FAILED;
  return nullptr;
}

IoFile* __wrap_out_dir_create_file(OutDir* dir, const char* name, const FileIdentity* protect,
                                   int* failure) {
  if (!enter(FAULT_OUT_CREATE)) return __real_out_dir_create_file(dir, name, protect, failure);
  *failure = blobsmith::OUT_FAILED;
  return nullptr;
}

int __wrap_path_status(const char* path, int follow, FileStatus* status) {
  return enter(FAULT_PATH_STATUS) ? -1 : __real_path_status(path, follow, status);
}

int __wrap_path_read_link(const char* path, char* target, size_t size) {
  return enter(FAULT_READ_LINK) ? -1 : __real_path_read_link(path, target, size);
}

int __wrap_path_rename(const char* from, const char* to) {
  return enter(FAULT_RENAME) ? -1 : __real_path_rename(from, to);
}

int __wrap_path_remove(const char* path) {
  return enter(FAULT_REMOVE) ? -1 : __real_path_remove(path);
}

}  // extern "C"
