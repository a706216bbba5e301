// The fault injector: __wrap_ versions of the seam calls.
#include "support/fault_io.h"

#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/io.h"

using namespace blobsmith;  // NOLINT: stand-ins for the tool's own seam

namespace {

// A fault waiting for the first call of its kind that concerns name.
struct KeyedPlan {
  FaultCall call;
  std::string name;
  FaultMode mode;
  bool fired;
};

// What the injector knows of a file a wrapped call opened or made, until
// its close.
struct OpenFile {
  std::string name;   // the last level of the path it was opened or made at
  bool write_failed;  // a positional write was failed: its close fails too
};

struct Injector {
  std::mutex lock;  // over everything below
  int counts[FAULT_CALL_KINDS];
  FaultCall planned_call, hook_call;
  int planned_nth, hook_nth;  // 0: nothing planned
  FaultMode planned_mode;
  bool fired;
  int fired_count;
  std::function<void()> hook;
  std::vector<KeyedPlan> keyed;
  // Files open now; kept across resets, as the files themselves are.
  std::map<const IoFile*, OpenFile> files;
};

Injector& injector() {
  static Injector* state = new Injector{};
  return *state;
}

// Whether a call is to fail, and how.
struct Fault {
  bool fail;
  FaultMode mode;
};

// What a call concerns, for keyed plans: a name, an open file, or nothing.
struct Concern {
  const char* name;
  const IoFile* file;
};
constexpr Concern kNothing = {nullptr, nullptr};

Concern about_name(const char* name) { return Concern{name, nullptr}; }
Concern file_of(const IoFile* file) { return Concern{nullptr, file}; }

// The last level of path.
const char* last_level(const char* path) {
  const char* level = path;
  for (const char* at = path; *at != '\0'; ++at) {
    if (is_platform_separator(*at)) level = at + 1;
  }
  return level;
}

// Counts one call, runs a hook due before it, and then tells whether a plan
// chooses it. The lock is let go while the hook runs: a hook may make seam
// calls of its own.
Fault enter(const FaultCall call, const Concern concern) {
  Injector& s = injector();
  std::function<void()> hook;
  int nth = 0;
  {
    const std::lock_guard<std::mutex> held(s.lock);
    nth = ++s.counts[call];
    if (s.hook && s.hook_call == call && s.hook_nth == nth) hook = s.hook;
  }
  if (hook) hook();
  const std::lock_guard<std::mutex> held(s.lock);
  Fault fault = {false, FAULT_ERROR};
  if (!s.fired && s.planned_nth == nth && s.planned_call == call) {
    s.fired = true;
    ++s.fired_count;
    fault = Fault{true, s.planned_mode};
  }
  const std::string* name = nullptr;
  std::string given;
  if (concern.name != nullptr) {
    given = concern.name;
    name = &given;
  } else if (concern.file != nullptr) {
    const auto open = s.files.find(concern.file);
    if (open != s.files.end()) name = &open->second.name;
  }
  if (name == nullptr) return fault;
  for (KeyedPlan& plan : s.keyed) {
    if (plan.fired || plan.call != call || plan.name != *name) continue;
    plan.fired = true;
    ++s.fired_count;
    if (!fault.fail) fault = Fault{true, plan.mode};
    break;
  }
  return fault;
}

// Records the file a wrapped call opened or made (when it did) under the
// name it concerns, and passes it on.
IoFile* opened(IoFile* file, const char* name) {
  if (file == nullptr) return nullptr;
  Injector& s = injector();
  const std::lock_guard<std::mutex> held(s.lock);
  s.files[file] = OpenFile{name, false};
  return file;
}

// Marks file's close to fail, as a failed positional write does.
void write_failed(const IoFile* file) {
  Injector& s = injector();
  const std::lock_guard<std::mutex> held(s.lock);
  const auto open = s.files.find(file);
  if (open != s.files.end()) open->second.write_failed = true;
}

// Takes file out of the record before it is closed, so a file opened
// meanwhile at the same address is not mistaken for it. Returns false when
// it was not recorded.
bool closing(const IoFile* file, OpenFile* record) {
  Injector& s = injector();
  const std::lock_guard<std::mutex> held(s.lock);
  const auto open = s.files.find(file);
  if (open == s.files.end()) return false;
  *record = std::move(open->second);
  s.files.erase(open);
  return true;
}

}  // namespace

void fault_reset() {
  Injector& s = injector();
  const std::lock_guard<std::mutex> held(s.lock);
  for (int& count : s.counts) count = 0;
  s.planned_call = s.hook_call = FaultCall{};
  s.planned_nth = s.hook_nth = 0;
  s.planned_mode = FAULT_ERROR;
  s.fired = false;
  s.fired_count = 0;
  s.hook = nullptr;
  s.keyed.clear();
}

void fault_plan(const FaultCall call, const int nth, const FaultMode mode) {
  Injector& s = injector();
  const std::lock_guard<std::mutex> held(s.lock);
  s.planned_call = call, s.planned_nth = nth, s.planned_mode = mode;
}

void fault_hook(const FaultCall call, const int nth, std::function<void()> hook) {
  Injector& s = injector();
  const std::lock_guard<std::mutex> held(s.lock);
  s.hook_call = call, s.hook_nth = nth, s.hook = std::move(hook);
}

void fault_plan_for(const FaultCall call, const char* name, const FaultMode mode) {
  Injector& s = injector();
  const std::lock_guard<std::mutex> held(s.lock);
  s.keyed.push_back(KeyedPlan{call, name, mode, false});
}

int fault_count(const FaultCall call) {
  Injector& s = injector();
  const std::lock_guard<std::mutex> held(s.lock);
  return s.counts[call];
}

bool fault_fired() {
  Injector& s = injector();
  const std::lock_guard<std::mutex> held(s.lock);
  return s.fired;
}

int fault_fired_count() {
  Injector& s = injector();
  const std::lock_guard<std::mutex> held(s.lock);
  return s.fired_count;
}

// Each wrapper counts its call (running a hook due before it) and then
// either fails it, returning `failed`, or passes it to the real call.
// concern is what the call concerns for keyed plans.
#define BLOBSMITH_WRAP(kind, type, name, failed, params, args, concern) \
  type __real_##name params;                                            \
  type __wrap_##name params { return enter(kind, concern).fail ? (failed) : __real_##name args; }

// The same for a call that opens or makes a file, which is recorded under
// the name it concerns.
#define BLOBSMITH_WRAP_OPENING(kind, name, failed, params, args, level)                     \
  IoFile* __real_##name params;                                                             \
  IoFile* __wrap_##name params {                                                            \
    const char* concerned = level;                                                          \
    return enter(kind, about_name(concerned)).fail ? (failed)                               \
                                                   : opened(__real_##name args, concerned); \
  }

extern "C" {

BLOBSMITH_WRAP_OPENING(FAULT_OPEN, io_open, nullptr, (const char* path), (path), last_level(path))
BLOBSMITH_WRAP_OPENING(FAULT_CREATE, io_create_new, nullptr,
                       (const char* path, uint32_t permissions, int keep_exactly),
                       (path, permissions, keep_exactly), last_level(path))
BLOBSMITH_WRAP_OPENING(FAULT_CREATE_TEMP, io_create_temp, nullptr,
                       (const char* path, uint32_t permissions, int keep_exactly, int* named),
                       (path, permissions, keep_exactly, named), last_level(path))
BLOBSMITH_WRAP_OPENING(FAULT_OUT_CREATE, out_dir_create_file,
                       (*object = OutObject{}, *failure = OUT_FAILED, nullptr),
                       (OutDir * dir, const char* name, OutObject* object, int* failure),
                       (dir, name, object, failure), name)
BLOBSMITH_WRAP_OPENING(FAULT_OUT_REPLACE, out_dir_replace_file,
                       (*object = OutObject{}, *failure = OUT_FAILED, nullptr),
                       (OutDir * dir, const char* name, const FileIdentity* protect,
                        OutObject* object, int* failure),
                       (dir, name, protect, object, failure), name)
BLOBSMITH_WRAP(FAULT_KEEP_TEMP, int, io_keep_temp, -1, (IoFile * file, const char* path),
               (file, path), file_of(file))
BLOBSMITH_WRAP(FAULT_SEEK, int, io_seek, -1, (IoFile * file, int64_t offset, int origin),
               (file, offset, origin), file_of(file))
BLOBSMITH_WRAP(FAULT_TELL, int64_t, io_tell, -1, (IoFile * file), (file), file_of(file))
BLOBSMITH_WRAP(FAULT_STATUS, int, io_status, -1, (IoFile * file, FileStatus* status),
               (file, status), file_of(file))
BLOBSMITH_WRAP(FAULT_DIR_OPEN, DirSearch*, dir_search_open, nullptr,
               (const char* dir, FileIdentity* identity), (dir, identity), kNothing)
BLOBSMITH_WRAP(FAULT_DIR_NEXT, int, dir_search_next, -1, (DirSearch * search, DirEntryInfo* info),
               (search, info), kNothing)
BLOBSMITH_WRAP(FAULT_OUT_OPEN, OutDir*, out_dir_open, nullptr, (const char* path), (path), kNothing)
BLOBSMITH_WRAP(FAULT_OUT_LEVEL, OutDir*, out_dir_open_level,
               (*object = OutObject{}, *failure = OUT_FAILED, nullptr),
               (OutDir * parent, const char* name, OutObject* object, int* failure),
               (parent, name, object, failure), about_name(name))
BLOBSMITH_WRAP(FAULT_OUT_IDENTITY, int, out_dir_identity, -1,
               (OutDir * dir, FileIdentity* identity), (dir, identity), kNothing)
BLOBSMITH_WRAP(FAULT_PATH_STATUS, int, path_status, -1,
               (const char* path, int follow, FileStatus* status), (path, follow, status), kNothing)
BLOBSMITH_WRAP(FAULT_RENAME, int, path_rename, -1, (const char* from, const char* to), (from, to),
               kNothing)
BLOBSMITH_WRAP(FAULT_TOUCH, int, path_touch, -1, (const char* path), (path), kNothing)

// Reads and writes may also move half of what was asked; a failed close
// has still closed the file.
size_t __real_io_read(void* buffer, size_t size, size_t count, IoFile* file);
size_t __real_io_write(const void* buffer, size_t size, size_t count, IoFile* file);
size_t __real_io_read_at(IoFile* file, void* buffer, size_t length, int64_t offset);
int __real_io_write_at(IoFile* file, const void* buffer, size_t length, int64_t offset);
int __real_io_close(IoFile* file);

size_t __wrap_io_read(void* buffer, size_t size, size_t count, IoFile* file) {
  const Fault fault = enter(FAULT_READ, file_of(file));
  if (!fault.fail) return __real_io_read(buffer, size, count, file);
  return fault.mode == FAULT_SHORT ? __real_io_read(buffer, 1, size * count / 2, file) / size : 0;
}

size_t __wrap_io_write(const void* buffer, size_t size, size_t count, IoFile* file) {
  const Fault fault = enter(FAULT_WRITE, file_of(file));
  if (!fault.fail) return __real_io_write(buffer, size, count, file);
  return fault.mode == FAULT_SHORT ? __real_io_write(buffer, 1, size * count / 2, file) / size : 0;
}

size_t __wrap_io_read_at(IoFile* file, void* buffer, size_t length, int64_t offset) {
  const Fault fault = enter(FAULT_READ_AT, file_of(file));
  if (!fault.fail) return __real_io_read_at(file, buffer, length, offset);
  return fault.mode == FAULT_SHORT ? __real_io_read_at(file, buffer, length / 2, offset) : 0;
}

int __wrap_io_write_at(IoFile* file, const void* buffer, size_t length, int64_t offset) {
  const Fault fault = enter(FAULT_WRITE_AT, file_of(file));
  if (!fault.fail) return __real_io_write_at(file, buffer, length, offset);
  if (fault.mode == FAULT_SHORT) __real_io_write_at(file, buffer, length / 2, offset);
  write_failed(file);
  return -1;
}

int __wrap_io_close(IoFile* file) {
  OpenFile record = {};
  const bool known = closing(file, &record);
  const int closed = __real_io_close(file);
  const Fault fault = enter(FAULT_CLOSE, known ? about_name(record.name.c_str()) : kNothing);
  return fault.fail || record.write_failed ? -1 : closed;
}

}  // extern "C"
