// A pack file opened through the platform seam, read as a byte source.
#ifndef BLOBSMITH_READ_IO_SOURCE_H_
#define BLOBSMITH_READ_IO_SOURCE_H_

#include "platform/io.h"
#include "read/pack_head.h"

namespace blobsmith {

// Reads at an offset by seeking file there first; the file's position is
// left after the bytes read.
ByteSource io_source(IoFile* file);

}  // namespace blobsmith

#endif  // BLOBSMITH_READ_IO_SOURCE_H_
