// For fuzzing the command lines: every open, creation, directory search and
// look at a path is refused, so whatever paths the arguments name, nothing
// is read, written or made. The option walks still run whole.
#include "platform/io.h"

extern "C" {

blobsmith::IoFile* __wrap_io_open(const char* /*path*/) { return nullptr; }

blobsmith::IoFile* __wrap_io_create_new(const char* /*path*/, uint32_t /*permissions*/,
                                        int /*keep_exactly*/) {
  return nullptr;
}

blobsmith::DirSearch* __wrap_dir_search_open(const char* /*dir*/,
                                             blobsmith::FileIdentity* /*identity*/) {
  return nullptr;
}

blobsmith::OutDir* __wrap_out_dir_open(const char* /*path*/) { return nullptr; }

int __wrap_path_status(const char* /*path*/, int /*follow*/, blobsmith::FileStatus* /*status*/) {
  return -1;
}

}  // extern "C"
