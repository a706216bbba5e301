// Names and paths as they are printed in the tool's lines.
#ifndef BLOBSMITH_FORMAT_PRINTABLE_H_
#define BLOBSMITH_FORMAT_PRINTABLE_H_

#include <cstddef>
#include <string>

namespace blobsmith {

// text, up to its first zero byte or max_length bytes, with every control
// byte (below 0x20, and 0x7F) shown as "\xNN" (two upper-case hexadecimal
// digits), so no name can break a line in two or drive the terminal.
std::string printable(const char* text, size_t max_length = static_cast<size_t>(-1));

}  // namespace blobsmith

#endif  // BLOBSMITH_FORMAT_PRINTABLE_H_
