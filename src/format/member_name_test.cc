// Tests of the stored-name rules: safety and the packer's order.
#include "format/member_name.h"

#include <gtest/gtest.h>

namespace {

TEST(MemberName, SafeAndUnsafeForms) {
  const char* safe[] = {"a",      "img\\logo.png", "a/b",  "..a",  "a..",  "a\\..b",
                        "x\\.\\y", "",            "C",    "1:x",  "...",
                        "a\\\\b"};
  for (const char* name : safe) EXPECT_TRUE(member_name_is_safe(name)) << name;
  const char* unsafe[] = {"..",       "..\\x",   "../x",     "a\\..",  "a/../b",
                          "a\\..\\b", "\\x",     "/x",       "C:x",    "C:\\x",
                          "z:",  "a:b", "\\\\server\\share", "a/..\\..", "a\\b/.."};
  for (const char* name : unsafe) EXPECT_FALSE(member_name_is_safe(name)) << name;
}

TEST(MemberName, OrderFoldsLettersOnly) {
  // "/" (0x2F) sorts after "-" and "." but before digits; "_" before letters.
  EXPECT_LT(compare_name_order("a-b", "a/b", false), 0);
  EXPECT_LT(compare_name_order("a.b", "a/b", false), 0);
  EXPECT_LT(compare_name_order("a/b", "a0", false), 0);
  EXPECT_LT(compare_name_order("a_b", "aab", false), 0);
  EXPECT_LT(compare_name_order("a_b", "aAb", false), 0);
  EXPECT_EQ(compare_name_order("ABC", "abc", false), 0);
  EXPECT_LT(compare_name_order("abc", "abcd", false), 0);  // proper prefix first
  EXPECT_GT(compare_name_order("b", "A", false), 0);
  // Bytes above 0x7F compare unsigned and are not folded.
  EXPECT_GT(compare_name_order("\xC3", "z", false), 0);
  // Stored names hold "\\" where the packer sorted "/".
  EXPECT_LT(compare_name_order("a\\b", "a0", true), 0);
  EXPECT_GT(compare_name_order("a\\b", "a0", false), 0);
  EXPECT_EQ(compare_name_order("A\\B", "a/b", true), 0);
}

}  // namespace
