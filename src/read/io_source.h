// A pack file opened through the platform seam, read as a byte source.
#ifndef BLOBSMITH_READ_IO_SOURCE_H_
#define BLOBSMITH_READ_IO_SOURCE_H_

#include "format/pack_head.h"
#include "platform/io.h"

namespace blobsmith {

// Reads at an offset by seeking file there first; the file's position is
// left after the bytes read.
ByteSource io_source(IoFile* file);

// True when the regular file at path opens and begins with a pack's header
// (check_pack_header finds no fault in it).
bool file_holds_pack(const char* path);

}  // namespace blobsmith

#endif  // BLOBSMITH_READ_IO_SOURCE_H_
