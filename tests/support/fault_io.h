// A fault injector over the file and directory seam. The reliability test
// binary is linked with --wrap for every seam call, so each call the tool
// makes comes here first: it is counted and logged, and the one call a test
// picked (the k-th of its kind) fails, either as an error or as a short
// transfer; every other call goes through to the real implementation.
#ifndef BLOBSMITH_TESTS_SUPPORT_FAULT_IO_H_
#define BLOBSMITH_TESTS_SUPPORT_FAULT_IO_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The kinds of seam call that can be failed. dir_search_close cannot fail
// and is not counted.
enum FaultCall {
  FAULT_OPEN = 0,    // io_open
  FAULT_CREATE,      // io_create_member
  FAULT_READ,        // io_read
  FAULT_WRITE,       // io_write
  FAULT_SEEK,        // io_seek
  FAULT_TELL,        // io_tell
  FAULT_CLOSE,       // io_close
  FAULT_DIR_OPEN,    // dir_search_open
  FAULT_DIR_NEXT,    // dir_search_next
  FAULT_MAKE_DIR,    // make_directory
  FAULT_CALL_KINDS,
};

// How the chosen call fails. A short transfer moves half of the bytes asked
// for (rounded down) and reports the whole records moved; it applies to
// reads and writes only.
enum FaultMode {
  FAULT_ERROR = 0,
  FAULT_SHORT,
};

const char* fault_call_name(FaultCall call);

// One seam call as the injector saw it.
struct FaultRecord {
  FaultCall call;
  std::string path;       // the file's or directory's path ("" if unknown)
  std::string file_mode;  // "rb", "wb", "rb+", "member" for file calls
  int ordinal_on_file;    // 1 for the first call of this kind on this file
  size_t size;            // read and write: record size and count
  size_t count;
  int origin;             // seek: SEEK_SET, SEEK_CUR or SEEK_END
  int64_t position;       // read and write: the file position before the call
  bool failed;            // this is the call that was made to fail
};

// Forgets every count, the log, the plan and the files seen.
void fault_reset();

// Makes the nth call (1-based) of the given kind fail in the given way.
// Only one call fails per plan.
void fault_plan(FaultCall call, int nth, FaultMode mode);

// Calls of each kind since the last reset.
int fault_count(FaultCall call);

// True once the planned call has been made to fail.
bool fault_fired();

// Every counted call since the last reset, in order.
const std::vector<FaultRecord>& fault_log();

// The end offset reached by successful writes, for each path written since
// the last reset: the file must be at least this long afterwards.
const std::map<std::string, int64_t>& fault_written_extent();

#endif  // BLOBSMITH_TESTS_SUPPORT_FAULT_IO_H_
