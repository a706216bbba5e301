// UTF-8 as names are shown: which bytes form a valid sequence, and which
// code points are never shown as they are.
#ifndef BLOBSMITH_FORMAT_UTF8_H_
#define BLOBSMITH_FORMAT_UTF8_H_

#include <cstddef>
#include <cstdint>

namespace blobsmith {

// The length, 1 to 4, of the valid UTF-8 sequence that begins text (of
// which at most `available` bytes may be read), its code point stored in
// *code_point; 0 when the first byte begins none: an overlong form, a
// surrogate (U+D800 to U+DFFF), a code point above U+10FFFF, a stray
// continuation byte, or a sequence cut short by a byte that does not
// continue it or by the end of the available bytes. Reading stops at the
// first byte that does not fit, so a zero byte ends it.
int utf8_sequence(const char* text, size_t available, uint32_t* code_point);

// True for the code points that can break a line, drive a terminal or
// reorder the text around them: the C0 controls, DEL, the C1 controls
// (U+0080 to U+009F), the line and paragraph separators (U+2028, U+2029)
// and the bidirectional controls (U+202A to U+202E, U+2066 to U+2069).
bool is_hidden_control(uint32_t code_point);

// True when the zero-terminated text is valid UTF-8 from end to end.
bool is_valid_utf8(const char* text);

}  // namespace blobsmith

#endif  // BLOBSMITH_FORMAT_UTF8_H_
