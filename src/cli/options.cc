// The table-driven option walk.
#include "cli/options.h"

#include <cstring>

namespace blobsmith {

namespace {

bool is_mode_word(const char* argument) {
  static const char* const kModeWords[] = {"--pack", "--unpack", "--list", "--verify"};
  for (const char* word : kModeWords) {
    if (std::strcmp(argument, word) == 0) return true;
  }
  return false;
}

}  // namespace

OptionWalk read_options(char** argv, const OptionRule* rules, const size_t rule_count,
                        OptionRefusal* refusal) {
  *refusal = OptionRefusal{nullptr, false};
  bool version = false;
  const auto refuse = [refusal](const char* argument, const bool needs_value) {
    if (refusal->argument == nullptr) *refusal = OptionRefusal{argument, needs_value};
  };
  for (char** arg = argv + 1; *arg != nullptr; ++arg) {
    const OptionRule* rule = nullptr;
    for (size_t r = 0; r < rule_count && rule == nullptr; ++r) {
      if (std::strcmp(*arg, rules[r].word) == 0) rule = &rules[r];
    }
    if (rule == nullptr) {
      if (!is_mode_word(*arg)) refuse(*arg, false);
      continue;
    }
    switch (rule->kind) {
      case OPTION_VERSION:
        version = true;
        break;
      case OPTION_FLAG:
        *rule->value = *arg;
        break;
      case OPTION_VALUE:
        if (arg[1] == nullptr) {
          refuse(*arg, true);
        } else {
          *rule->value = *++arg;
        }
        break;
      case OPTION_LIST:
        rule->list->given = true;
        for (OptionList* list = rule->list; arg[1] != nullptr && arg[1][0] != '-';) {
          ++arg;
          if (list->count < list->capacity) {
            list->names[list->count++] = *arg;
          } else {
            list->overflowed = true;
          }
        }
        break;
    }
  }
  if (version) return OPTIONS_VERSION;
  return refusal->argument != nullptr ? OPTIONS_REFUSED : OPTIONS_READ;
}

void print_option_refusal(std::FILE* stream, const OptionRefusal& refusal, const char* mode,
                          const char* nothing_done) {
  if (refusal.needs_value) {
    std::fprintf(stream, "%s needs a value, %s !!!\n", refusal.argument, nothing_done);
  } else {
    std::fprintf(stream, "%s is not an option of %s, %s !!!\n", refusal.argument, mode,
                 nothing_done);
  }
}

}  // namespace blobsmith
