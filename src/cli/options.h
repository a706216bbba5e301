// The option walk every command shares, driven by the command's own table
// of rules. A leaf: it includes nothing of the tool.
#ifndef BLOBSMITH_CLI_OPTIONS_H_
#define BLOBSMITH_CLI_OPTIONS_H_

#include <cstddef>
#include <cstdio>

namespace blobsmith {

// Names gathered by a list option such as "-g".
struct OptionList {
  const char** names;  // room for capacity names, each an argument string
  int capacity;
  int count;
  bool overflowed;     // more names were given than fit
  bool given = false;  // the option was met, even with no names after it
};

enum OptionKind {
  OPTION_VALUE,    // takes the next argument, whatever it looks like
  OPTION_LIST,     // takes the arguments up to the next one beginning with "-"
  OPTION_VERSION,  // the command prints its version line and does nothing else
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
  OPTIONS_VERSION = 1,  // a version option was met
  OPTIONS_REFUSED = 2,  // an argument is no option of the mode, or lacks its value
};

// The first argument a walk refused.
struct OptionRefusal {
  const char* argument;
  bool needs_value;  // an option that is the last argument, so has no value
};

// Walks argv from the first argument after the program name to the null
// entry that ends it. Every argument must be a mode word ("--pack",
// "--unpack", "--list", "--verify", passed over wherever it stands), an
// option of a rule, or an option's value; the first that is none of these,
// and a value option that is the last argument, are noted in *refusal and
// the walk goes on. In a list, an argument beginning with "-" ends the list
// and is examined as an option in its turn; a list may be empty; names
// beyond the list's capacity are not stored and mark it overflowed.
// Returns OPTIONS_VERSION when a version option was met anywhere (it wins
// over a refusal), else OPTIONS_REFUSED when something was refused, else
// OPTIONS_READ.
OptionWalk read_options(char** argv, const OptionRule* rules, size_t rule_count,
                        OptionRefusal* refusal);

// Prints the line of a refused walk on stream: "<argument> is not an option
// of <mode>, <nothing_done> !!!" or "<argument> needs a value, <nothing_done>
// !!!".
void print_option_refusal(std::FILE* stream, const OptionRefusal& refusal, const char* mode,
                          const char* nothing_done);

}  // namespace blobsmith

#endif  // BLOBSMITH_CLI_OPTIONS_H_
