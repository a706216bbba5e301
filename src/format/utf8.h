// UTF-8 as names are checked and printed by it: which byte runs are whole,
// valid sequences and which code points they hold.
#ifndef BLOBSMITH_FORMAT_UTF8_H_
#define BLOBSMITH_FORMAT_UTF8_H_

#include <cstddef>
#include <cstdint>

namespace blobsmith {

// The length (1 to 4) of the valid UTF-8 sequence that starts at bytes[0]
// and ends within the first `available` bytes, or 0 when none does: a stray
// continuation byte, a sequence cut short, an overlong form, a surrogate or
// a code point above U+10FFFF. A zero byte is never part of a sequence.
size_t utf8_sequence_length(const unsigned char* bytes, size_t available);

// The code point held by a valid sequence of `length` bytes.
uint32_t utf8_code_point(const unsigned char* bytes, size_t length);

// True when the zero-terminated text is valid UTF-8 from end to end.
bool is_valid_utf8(const char* text);

}  // namespace blobsmith

#endif  // BLOBSMITH_FORMAT_UTF8_H_
