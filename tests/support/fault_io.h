// A fault injector over the seam: the reliability binary wraps every seam
// call at link time, so each is counted, may have a test's hook run just
// before it, and fails when it is the one planned; others go to the real one.
#ifndef BLOBSMITH_TESTS_SUPPORT_FAULT_IO_H_
#define BLOBSMITH_TESTS_SUPPORT_FAULT_IO_H_

#include <functional>

// The calls, by the seam function they stand for: io_open, io_create_new,
// io_create_temp, io_keep_temp, io_read, io_write, io_seek, io_tell,
// io_status, io_close, dir_search_open, dir_search_next, out_dir_open,
// out_dir_open_level, out_dir_create_file, out_dir_replace_file,
// path_status, path_rename, path_touch.
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
  FAULT_CALL_KINDS
};

// How the chosen call fails: an error, or (reads and writes) a transfer of
// half the bytes asked for.
enum FaultMode { FAULT_ERROR = 0, FAULT_SHORT };

void fault_reset();  // forgets every count, plan and hook
// The nth call (from 1) of a kind fails in the given way, or has hook run first.
void fault_plan(FaultCall call, int nth, FaultMode mode);
void fault_hook(FaultCall call, int nth, std::function<void()> hook);
int fault_count(FaultCall call);  // calls of a kind since the reset
bool fault_fired();               // the planned call has failed

#endif  // BLOBSMITH_TESTS_SUPPORT_FAULT_IO_H_
