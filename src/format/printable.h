// Names and paths as they are printed in the tool's lines.
#ifndef BLOBSMITH_FORMAT_PRINTABLE_H_
#define BLOBSMITH_FORMAT_PRINTABLE_H_

#include <cstddef>
#include <string>

namespace blobsmith {

// text, up to its first zero byte or max_length bytes, with valid UTF-8
// kept as it is and every other byte shown as "\xNN" (two upper-case
// hexadecimal digits): each byte of a control (C0, DEL, C1, the line and
// paragraph separators and the bidirectional controls, see
// is_hidden_control) and each byte that is not part of a valid UTF-8
// sequence, a sequence cut by max_length included. So no name can break a
// line in two, drive the terminal or turn the text around it.
std::string printable(const char* text, size_t max_length = static_cast<size_t>(-1));

}  // namespace blobsmith

#endif  // BLOBSMITH_FORMAT_PRINTABLE_H_
