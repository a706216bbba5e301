// The option walk every command shares, driven by the command's own table
// of rules. A leaf: it includes nothing of the tool.
#ifndef BLOBSMITH_CLI_OPTIONS_H_
#define BLOBSMITH_CLI_OPTIONS_H_

#include <cstddef>

namespace blobsmith {

// Names gathered by a list option such as "-g".
struct OptionList {
  const char** names;  // room for capacity names, each an argument string
  int capacity;
  int count;
  bool overflowed;  // more names were given than fit
};

enum OptionKind {
  OPTION_VALUE,    // takes the next argument, whatever it looks like
  OPTION_LIST,     // takes the arguments up to the next one beginning with "-"
  OPTION_VERSION,  // ends the walk: the command prints its version line
  OPTION_FLAG,     // takes no value: where value points is set to the word
};

struct OptionRule {
  const char* word;  // compared with the whole argument, case-sensitively
  OptionKind kind;
  const char** value;  // OPTION_VALUE: where the value goes; OPTION_FLAG: set when given
  OptionList* list;    // OPTION_LIST: where the names go
};

enum OptionWalk {
  OPTIONS_READ = 0,
  OPTIONS_VERSION = 1,
};

// Walks argv from the first argument after the program name to the null
// entry that ends it; an argument no rule names is passed over. A value
// option that is the last argument, or a list that runs to the end, ends the
// walk. In a list, an argument beginning with "-" ends the list and is
// examined as an option in its turn (so "-v" in a list acts as "-v"); names
// beyond the list's capacity are not stored and mark it overflowed.
// Returns OPTIONS_VERSION as soon as a version option is met.
OptionWalk read_options(char** argv, const OptionRule* rules, size_t rule_count);

}  // namespace blobsmith

#endif  // BLOBSMITH_CLI_OPTIONS_H_
