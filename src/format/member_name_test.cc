// Stored names: which are safe, and their order.
#include "format/member_name.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace blobsmith {
namespace {

TEST(MemberName, Safety) {
  for (const char* safe : {"", "a", "a\\b/c", "..x\\x..", "...", ".\\a", "b/a:b", "1:x"}) {
    EXPECT_TRUE(member_name_is_safe(safe)) << safe;
  }
  for (const char* unsafe : {"..", "..\\x", "a/../b", "a\\..", "\\x", "/x", "C:x", "z:\\x"}) {
    EXPECT_FALSE(member_name_is_safe(unsafe)) << unsafe;
  }
}

TEST(MemberName, PackerOrder) {
  // Letters folded, "/" after "-" and "." but before digits, "_" before
  // letters, a prefix first, and names equal but for case by their bytes.
  std::vector<std::string> names = {"res/B.txt", "res/a0.txt", "res/a/x.txt", "res/a.txt", "res/_u",
                                    "res/a-1",   "res/Ab",     "res/ab",      "res/aB",    "res/a"};
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return compare_name_order(a.c_str(), b.c_str()) < 0;
  });
  EXPECT_EQ(names,
            (std::vector<std::string>{"res/_u", "res/a", "res/a-1", "res/a.txt", "res/a/x.txt",
                                      "res/a0.txt", "res/Ab", "res/aB", "res/ab", "res/B.txt"}));
  EXPECT_EQ(compare_folded_names("Img\\A", "img/a"), 0);
  EXPECT_LT(compare_folded_names("a\\b", "a0"), 0);
  EXPECT_EQ(compare_name_order("a", "a"), 0);
}

}  // namespace
}  // namespace blobsmith
