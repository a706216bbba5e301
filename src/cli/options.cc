// The table-driven option walk.
#include "cli/options.h"

#include <cstring>

namespace blobsmith {

OptionWalk read_options(char** argv, const OptionRule* rules, const size_t rule_count) {
  for (char** arg = argv + 1; *arg != nullptr; ++arg) {
    const OptionRule* rule = nullptr;
    for (size_t r = 0; r < rule_count && rule == nullptr; ++r) {
      if (std::strcmp(*arg, rules[r].word) == 0) rule = &rules[r];
    }
    if (rule == nullptr) continue;
    if (rule->kind == OPTION_VERSION) return OPTIONS_VERSION;
    if (rule->kind == OPTION_FLAG) {
      *rule->value = *arg;
      continue;
    }
    if (rule->kind == OPTION_VALUE) {
      if (arg[1] == nullptr) break;
      *rule->value = *++arg;
      continue;
    }
    OptionList* list = rule->list;
    while (arg[1] != nullptr && arg[1][0] != '-') {
      ++arg;
      if (list->count < list->capacity) {
        list->names[list->count++] = *arg;
      } else {
        list->overflowed = true;
      }
    }
  }
  return OPTIONS_READ;
}

}  // namespace blobsmith
