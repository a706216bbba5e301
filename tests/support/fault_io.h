// A fault injector over the file and directory seam. The reliability test
// binary is linked with --wrap for every seam call, so each call the tool
// makes comes here first: it is counted, a test's hook may run just before
// it, and the one call a test picked (the n-th of its kind) fails, as an
// error or as a short transfer; every other call goes to the real one.
#ifndef BLOBSMITH_TESTS_SUPPORT_FAULT_IO_H_
#define BLOBSMITH_TESTS_SUPPORT_FAULT_IO_H_

#include <functional>

// The calls, by the seam function they stand for: io_open, io_create_new,
// io_read, io_write, io_seek, io_tell, io_status, io_close, dir_search_open,
// dir_search_next, out_dir_open, out_dir_open_level, out_dir_create_file,
// path_status, path_rename.
enum FaultCall {
  FAULT_OPEN, FAULT_CREATE, FAULT_READ, FAULT_WRITE, FAULT_SEEK, FAULT_TELL, FAULT_STATUS,
  FAULT_CLOSE, FAULT_DIR_OPEN, FAULT_DIR_NEXT, FAULT_OUT_OPEN, FAULT_OUT_LEVEL, FAULT_OUT_CREATE,
  FAULT_PATH_STATUS, FAULT_RENAME, FAULT_CALL_KINDS
};

// How the chosen call fails: an error, or (reads and writes) a transfer of
// half the bytes asked for.
enum FaultMode { FAULT_ERROR = 0, FAULT_SHORT };

// Forgets every count, plan and hook.
void fault_reset();
// Makes the nth call (1-based) of the given kind fail in the given way.
void fault_plan(FaultCall call, int nth, FaultMode mode);
// Runs hook just before the nth call of the given kind goes through.
void fault_hook(FaultCall call, int nth, std::function<void()> hook);
// Calls of each kind since the last reset.
int fault_count(FaultCall call);
// True once the planned call has been made to fail.
bool fault_fired();

#endif  // BLOBSMITH_TESTS_SUPPORT_FAULT_IO_H_
