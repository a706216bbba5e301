// Stored names: which are safe, and their order.
#include "format/member_name.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "format/level_fold.h"

namespace blobsmith {
namespace {

TEST(MemberName, CanonicalFormAndSafety) {
  const struct {
    const char* name;
    NameFault fault;
  } cases[] = {
      {"", NAME_CANONICAL},
      {"a", NAME_CANONICAL},
      {"..x\\x..", NAME_CANONICAL},
      {"...", NAME_CANONICAL},
      {"1:x", NAME_CANONICAL},
      {"b\\a:b", NAME_CANONICAL},
      {"\\x", NAME_LEADING_SEPARATOR},
      {"/x", NAME_LEADING_SEPARATOR},
      {"C:x", NAME_DRIVE_PREFIX},
      {"z:\\x", NAME_DRIVE_PREFIX},
      {"..", NAME_PARENT_LEVEL},
      {"a/../b", NAME_PARENT_LEVEL},
      {"a\\.", NAME_DOT_LEVEL},
      {"a\\..", NAME_PARENT_LEVEL},
      {"a\\", NAME_TRAILING_SEPARATOR},
      {"a/", NAME_TRAILING_SEPARATOR},
      {"a\\\\b", NAME_EMPTY_LEVEL},
      {".\\a", NAME_DOT_LEVEL},
      {"a\\.\\b", NAME_DOT_LEVEL},
      {".", NAME_DOT_LEVEL},
      {"a/b", NAME_SLASH},
      {"a\\b/c\\\\d", NAME_EMPTY_LEVEL},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(member_name_fault(c.name), c.fault) << c.name;
    const bool unsafe = c.fault == NAME_LEADING_SEPARATOR || c.fault == NAME_DRIVE_PREFIX ||
                        c.fault == NAME_PARENT_LEVEL;
    EXPECT_EQ(member_name_is_safe(c.name), !unsafe) << c.name;
  }
}

TEST(MemberName, WindowsHazardsAndFileKeys) {
  const struct {
    const char* name;
    WindowsHazard hazard;
  } cases[] = {
      {"a\\b.txt", HAZARD_NONE},
      {"\xc3\xa9t\xc3\xa9", HAZARD_NONE},
      {"console", HAZARD_NONE},
      {"com10", HAZARD_NONE},
      {"b.", HAZARD_TRAILING_DOT_OR_SPACE},
      {"c ", HAZARD_TRAILING_DOT_OR_SPACE},
      {"...", HAZARD_TRAILING_DOT_OR_SPACE},
      {"a.\\x", HAZARD_TRAILING_DOT_OR_SPACE},
      {"a:b", HAZARD_RESERVED_CHARACTER},
      {"x\\q?", HAZARD_RESERVED_CHARACTER},
      {"t\x1f", HAZARD_RESERVED_CHARACTER},
      {"d\\\"", HAZARD_RESERVED_CHARACTER},
      {"aux.c", HAZARD_DEVICE_NAME},
      {"x\\CON", HAZARD_DEVICE_NAME},
      {"Nul .tar.gz", HAZARD_DEVICE_NAME},
      {"COM0", HAZARD_DEVICE_NAME},
      {"lpt\xc2\xb9.log", HAZARD_DEVICE_NAME},
      {"conout$", HAZARD_DEVICE_NAME},
      {"caf\xe9", HAZARD_NOT_UTF8},
      {"\xed\xa0\x80", HAZARD_NOT_UTF8},
      {"\xc0\xaf", HAZARD_NOT_UTF8},
      {"\xf4\x90\x80\x80", HAZARD_NOT_UTF8},
  };
  for (const auto& c : cases) EXPECT_EQ(windows_hazard(c.name), c.hazard) << c.name;

  char key[PACK_NAME_FIELD_SIZE];
  const struct {
    const char* name;
    const char* key;
  } keys[] = {
      {"Img\\Logo.PNG", "img/logo.png"},
      {"a\\.\\b", "a/b"},
      {"a\\\\b/", "a/b"},
      {"b. .", "b"},
      {"x \\y..", "x/y"},
      {"..\\a", "../a"},
  };
  for (const auto& k : keys) {
    EXPECT_EQ(name_file_key(k.name, key), std::strlen(k.key)) << k.name;
    EXPECT_STREQ(key, k.key) << k.name;
  }
  // Level names that could be one directory somewhere.
  EXPECT_FALSE(levels_may_fold_together({"img", "snd", "img2", "im.g", "a b"}));
  EXPECT_TRUE(levels_may_fold_together({"img", "IMG"}));
  EXPECT_TRUE(levels_may_fold_together({"x", "snd", "x. "}));
  EXPECT_TRUE(levels_may_fold_together({"caf\xc3\xa9"}));
}

}  // namespace
}  // namespace blobsmith
