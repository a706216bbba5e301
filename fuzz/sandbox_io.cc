// For fuzzing the command lines: every open, member creation, directory
// search and directory creation is refused, so whatever paths the arguments
// name, nothing is read, written or made. The option walks still run whole.
#include "platform/io.h"

extern "C" {

IoFile* __wrap_io_open(const char* /*path*/, const char* /*mode*/) { return nullptr; }

IoFile* __wrap_io_create_member(const char* /*path*/) { return nullptr; }

DirSearch* __wrap_dir_search_open(const char* /*dir*/) { return nullptr; }

int __wrap_make_directory(const char* /*path*/) { return -1; }

}  // extern "C"
