// Whether level names could name one directory.
#include "format/level_fold.h"

#include <set>

#include "format/member_name.h"

namespace blobsmith {

bool levels_may_fold_together(const std::vector<std::string>& levels) {
  std::set<std::string> keys;
  char key[PACK_NAME_FIELD_SIZE];
  for (const std::string& level : levels) {
    for (const char c : level) {
      if (static_cast<unsigned char>(c) >= 0x80) return true;
    }
    name_file_key(level.c_str(), key);
    if (!keys.insert(key).second) return true;
  }
  return false;
}

}  // namespace blobsmith
