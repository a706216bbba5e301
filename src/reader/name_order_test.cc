// The reader's order of names, level by level, against the packer's.
#include "reader/name_order.h"

#include <gtest/gtest.h>

#include "format/member_name.h"

namespace blobsmith {
namespace {

int sign(const int value) { return (value > 0) - (value < 0); }

TEST(NameOrder, AgreesWithThePackerButForDirectoriesDifferingInCase) {
  const struct {
    const char* a;
    const char* b;
    int order;            // compare_level_order(a, b)
    bool directory_case;  // differ_in_directory_case(a, b)
  } cases[] = {
      {"a.txt", "a\\b", -1, false},  // "." before the separator, as the packer has it
      {"a", "a.txt", -1, false},
      {"a", "a\\b", -1, false},
      {"a\\b", "a/b", 0, false},
      {"b\\A", "b\\a", -1, false},  // a last level differing in case: bytes decide
      {"B", "a", 1, false},
      {"Img\\z", "img\\a", -1, true},  // the packer: "img\\a" first
      {"img\\Z\\q", "img\\z\\a", -1, true},
      {"Img", "img\\a", -1, false},  // a file and a directory fold apart
      {"x\\Img\\a", "x\\img.txt", 1, false},
      {"", "a", -1, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sign(compare_level_order(c.a, c.b)), c.order) << c.a << " " << c.b;
    EXPECT_EQ(sign(compare_level_order(c.b, c.a)), -c.order) << c.a << " " << c.b;
    EXPECT_EQ(differ_in_directory_case(c.a, c.b), c.directory_case) << c.a << " " << c.b;
    bool noted = !c.directory_case;
    EXPECT_EQ(sign(compare_neighbours(c.a, c.b, &noted)), c.order) << c.a << " " << c.b;
    EXPECT_EQ(noted, c.directory_case) << c.a << " " << c.b;
    if (!c.directory_case && c.order != 0) {
      EXPECT_EQ(sign(compare_name_order(c.a, c.b)), c.order) << c.a << " " << c.b;
    }
  }
}

}  // namespace
}  // namespace blobsmith
