// The lines of one member, kept until they can be printed: members are
// worked on by several threads, and their lines still come out in member
// order. A leaf: it includes nothing of the tool.
#ifndef BLOBSMITH_CLI_LINES_H_
#define BLOBSMITH_CLI_LINES_H_

#include <string>

namespace blobsmith {

// Appends the printf-formatted text to lines.
void add_line(std::string* lines, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Prints lines on standard output as they are, and empties them.
void print_lines(std::string* lines);

}  // namespace blobsmith

#endif  // BLOBSMITH_CLI_LINES_H_
