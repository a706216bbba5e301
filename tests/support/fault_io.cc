// The fault injector: __wrap_ versions of the seam calls that count, log and
// fail one chosen call, and pass every other call to the __real_ version.
#include "support/fault_io.h"

#include <algorithm>
#include <cstdio>

#include "platform/io.h"

extern "C" {
IoFile* __real_io_open(const char* path, const char* mode);
IoFile* __real_io_create_member(const char* path);
size_t __real_io_read(void* buffer, size_t size, size_t count, IoFile* file);
size_t __real_io_write(const void* buffer, size_t size, size_t count, IoFile* file);
int __real_io_seek(IoFile* file, int64_t offset, int origin);
int64_t __real_io_tell(IoFile* file);
int __real_io_close(IoFile* file);
DirSearch* __real_dir_search_open(const char* dir);
int __real_dir_search_next(DirSearch* search, DirEntryInfo* info);
void __real_dir_search_close(DirSearch* search);
int __real_make_directory(const char* path);
}

namespace {

struct OpenFile {
  std::string path;
  std::string mode;
  int calls[FAULT_CALL_KINDS];
};

struct InjectorState {
  int counts[FAULT_CALL_KINDS];
  FaultCall planned_call;
  int planned_nth;  // 0: nothing planned
  FaultMode planned_mode;
  bool fired;
  std::vector<FaultRecord> log;
  std::map<IoFile*, OpenFile> files;
  std::map<DirSearch*, std::string> searches;
  std::map<std::string, int64_t> extent;
};

InjectorState& state() {
  static InjectorState* s = new InjectorState{};
  return *s;
}

// Counts and logs one call; returns true when this call is to fail.
bool enter(FaultCall call, IoFile* file, const std::string& path, const char* mode = "",
           size_t size = 0, size_t count = 0, int origin = 0) {
  InjectorState& s = state();
  const int nth = ++s.counts[call];
  FaultRecord record{call, path, mode, 0, size, count, origin, -1, false};
  if (file != nullptr) {
    auto found = s.files.find(file);
    if (found != s.files.end()) {
      record.path = found->second.path;
      record.file_mode = found->second.mode;
      record.ordinal_on_file = ++found->second.calls[call];
    }
    if (call == FAULT_READ || call == FAULT_WRITE) record.position = __real_io_tell(file);
  }
  record.failed = !s.fired && s.planned_nth == nth && s.planned_call == call;
  if (record.failed) s.fired = true;
  s.log.push_back(record);
  return record.failed;
}

void remember_file(IoFile* file, const char* path, const char* mode) {
  if (file == nullptr) return;
  OpenFile open{path, mode, {}};
  state().files[file] = open;
}

void note_written(IoFile* file) {
  InjectorState& s = state();
  auto found = s.files.find(file);
  if (found == s.files.end()) return;
  const int64_t end = __real_io_tell(file);
  int64_t& extent = s.extent[found->second.path];
  extent = std::max(extent, end);
}

}  // namespace

const char* fault_call_name(const FaultCall call) {
  static const char* const names[FAULT_CALL_KINDS] = {
      "io_open", "io_create_member", "io_read",         "io_write",        "io_seek",
      "io_tell", "io_close",         "dir_search_open", "dir_search_next", "make_directory"};
  return call < FAULT_CALL_KINDS ? names[call] : "?";
}

void fault_reset() {
  InjectorState& s = state();
  s = InjectorState{};
}

void fault_plan(const FaultCall call, const int nth, const FaultMode mode) {
  InjectorState& s = state();
  s.planned_call = call;
  s.planned_nth = nth;
  s.planned_mode = mode;
  s.fired = false;
}

int fault_count(const FaultCall call) { return state().counts[call]; }

bool fault_fired() { return state().fired; }

const std::vector<FaultRecord>& fault_log() { return state().log; }

const std::map<std::string, int64_t>& fault_written_extent() { return state().extent; }

extern "C" {

IoFile* __wrap_io_open(const char* path, const char* mode) {
  if (enter(FAULT_OPEN, nullptr, path, mode)) return nullptr;
  IoFile* file = __real_io_open(path, mode);
  remember_file(file, path, mode);
  return file;
}

IoFile* __wrap_io_create_member(const char* path) {
  if (enter(FAULT_CREATE, nullptr, path, "member")) return nullptr;
  IoFile* file = __real_io_create_member(path);
  remember_file(file, path, "member");
  return file;
}

size_t __wrap_io_read(void* buffer, const size_t size, const size_t count, IoFile* file) {
  if (!enter(FAULT_READ, file, "", "", size, count)) return __real_io_read(buffer, size, count, file);
  if (state().planned_mode == FAULT_ERROR || size == 0) return 0;
  const size_t moved = __real_io_read(buffer, 1, size * count / 2, file);
  return moved / size;
}

size_t __wrap_io_write(const void* buffer, const size_t size, const size_t count, IoFile* file) {
  if (!enter(FAULT_WRITE, file, "", "", size, count)) {
    const size_t written = __real_io_write(buffer, size, count, file);
    note_written(file);
    return written;
  }
  if (state().planned_mode == FAULT_ERROR || size == 0) return 0;
  const size_t moved = __real_io_write(buffer, 1, size * count / 2, file);
  note_written(file);
  return moved / size;
}

int __wrap_io_seek(IoFile* file, const int64_t offset, const int origin) {
  if (enter(FAULT_SEEK, file, "", "", 0, 0, origin)) return -1;
  return __real_io_seek(file, offset, origin);
}

int64_t __wrap_io_tell(IoFile* file) {
  if (enter(FAULT_TELL, file, "")) return -1;
  return __real_io_tell(file);
}

int __wrap_io_close(IoFile* file) {
  const bool fail = enter(FAULT_CLOSE, file, "");
  state().files.erase(file);
  // A failed close still releases the file, as a real one does.
  const int result = __real_io_close(file);
  return fail ? -1 : result;
}

DirSearch* __wrap_dir_search_open(const char* dir) {
  if (enter(FAULT_DIR_OPEN, nullptr, dir)) return nullptr;
  DirSearch* search = __real_dir_search_open(dir);
  if (search != nullptr) state().searches[search] = dir;
  return search;
}

int __wrap_dir_search_next(DirSearch* search, DirEntryInfo* info) {
  auto found = state().searches.find(search);
  const std::string dir = found == state().searches.end() ? "" : found->second;
  if (enter(FAULT_DIR_NEXT, nullptr, dir)) return 0;
  return __real_dir_search_next(search, info);
}

void __wrap_dir_search_close(DirSearch* search) {
  state().searches.erase(search);
  __real_dir_search_close(search);
}

int __wrap_make_directory(const char* path) {
  if (enter(FAULT_MAKE_DIR, nullptr, path)) return -1;
  return __real_make_directory(path);
}

}  // extern "C"
