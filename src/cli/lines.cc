// Lines kept for printing in member order.
#include "cli/lines.h"

#include <cstdarg>
#include <cstdio>

namespace blobsmith {

void add_line(std::string* lines, const char* format, ...) {
  char text[1024];
  va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  if (length < 0) return;
  if (static_cast<size_t>(length) < sizeof text) {
    lines->append(text, static_cast<size_t>(length));
    return;
  }
  // A line with several long names: formatted again at its full length.
  const size_t size = lines->size();
  lines->resize(size + static_cast<size_t>(length) + 1);
  va_start(arguments, format);
  std::vsnprintf(&(*lines)[size], static_cast<size_t>(length) + 1, format, arguments);
  va_end(arguments);
  lines->resize(size + static_cast<size_t>(length));
}

void print_lines(std::string* lines) {
  if (lines->empty()) return;
  std::fwrite(lines->data(), 1, lines->size(), stdout);
  lines->clear();
}

}  // namespace blobsmith
