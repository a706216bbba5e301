// A fault injector over the seam: the reliability binary wraps every seam
// call at link time, so each is counted, may have a test's hook run just
// before it, and fails when it is the one planned; others go to the real one.
// Calls may come from several threads at once: one lock keeps the counts,
// plans and hooks, and is never held while a real call or a hook runs.
#ifndef BLOBSMITH_TESTS_SUPPORT_FAULT_IO_H_
#define BLOBSMITH_TESTS_SUPPORT_FAULT_IO_H_

#include <functional>

// The calls, by the seam function they stand for: io_open, io_create_new,
// io_create_temp, io_keep_temp, io_read, io_write, io_seek, io_tell,
// io_status, io_close, dir_search_open, dir_search_next, out_dir_open,
// out_dir_open_level, out_dir_create_file, out_dir_replace_file,
// path_status, path_rename, path_touch, io_read_at, io_write_at,
// out_dir_identity.
enum FaultCall {
  FAULT_OPEN,
  FAULT_CREATE,
  FAULT_CREATE_TEMP,
  FAULT_KEEP_TEMP,
  FAULT_READ,
  FAULT_WRITE,
  FAULT_SEEK,
  FAULT_TELL,
  FAULT_STATUS,
  FAULT_CLOSE,
  FAULT_DIR_OPEN,
  FAULT_DIR_NEXT,
  FAULT_OUT_OPEN,
  FAULT_OUT_LEVEL,
  FAULT_OUT_CREATE,
  FAULT_OUT_REPLACE,
  FAULT_PATH_STATUS,
  FAULT_RENAME,
  FAULT_TOUCH,
  FAULT_READ_AT,
  FAULT_WRITE_AT,
  FAULT_OUT_IDENTITY,
  FAULT_CALL_KINDS
};

// How the chosen call fails: an error, or (reads and writes) a transfer of
// half the bytes asked for. A positional write cut short writes half and
// fails, and then its file's close fails too, as the seam's does.
enum FaultMode { FAULT_ERROR = 0, FAULT_SHORT };

void fault_reset();  // forgets every count, plan (counted and keyed) and hook
// The nth call (from 1) of a kind fails in the given way, or has hook run first.
void fault_plan(FaultCall call, int nth, FaultMode mode);
void fault_hook(FaultCall call, int nth, std::function<void()> hook);
// Whatever order threads make their calls in: the first call of a kind that
// concerns a file or directory whose own name (the last level of its path)
// is name fails in the given way. io_open, io_create_new and io_create_temp
// concern the file at their path; out_dir_open_level, out_dir_create_file
// and out_dir_replace_file the name they are given; a call on an open file
// the name it was opened or made with. Other calls concern no name. Several
// keyed plans, and one counted plan beside them, may wait at once; a call
// both choose fails once, in the counted plan's way, and fires both.
void fault_plan_for(FaultCall call, const char* name, FaultMode mode);
int fault_count(FaultCall call);  // calls of a kind since the reset
bool fault_fired();               // the counted plan's call has failed
int fault_fired_count();          // planned calls, counted and keyed, that have failed

#endif  // BLOBSMITH_TESTS_SUPPORT_FAULT_IO_H_
