// For fuzzing command lines: every open, search, look at a path and naming
// of a file refused.
#include "platform/io.h"

using namespace blobsmith;  // NOLINT: stand-ins for the tool's own seam

extern "C" {
IoFile* __wrap_io_open(const char*) { return nullptr; }
IoFile* __wrap_io_create_new(const char*, uint32_t, int) { return nullptr; }
IoFile* __wrap_io_create_temp(const char*, uint32_t, int, int*) { return nullptr; }
int __wrap_io_keep_temp(IoFile*, const char*) { return -1; }
DirSearch* __wrap_dir_search_open(const char*, FileIdentity*) { return nullptr; }
OutDir* __wrap_out_dir_open(const char*) { return nullptr; }
int __wrap_path_status(const char*, int, FileStatus*) { return -1; }
}
