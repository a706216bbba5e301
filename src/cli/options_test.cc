// The shared option walk, driven by a pack-like table of rules. (Mode
// selection is the black-box usage case's.)
#include "cli/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>


namespace blobsmith {
namespace {

struct Walked {
  OptionWalk walk;
  std::string output;
  std::vector<std::string> names;
  bool overflowed;
};

Walked walk(std::vector<const char*> args) {
  args.insert(args.begin(), "blobsmith");
  args.push_back(nullptr);
  const char* output = "default";
  const char* names[3] = {};
  OptionList list{names, 3, 0, false};
  const OptionRule rules[] = {{"-o", OPTION_VALUE, &output, nullptr},
                              {"-g", OPTION_LIST, nullptr, &list},
                              {"-v", OPTION_VERSION, nullptr, nullptr}};
  const OptionWalk result = read_options(const_cast<char**>(args.data()), rules, 3);
  return Walked{result, output, std::vector<std::string>(names, names + list.count),
                list.overflowed};
}

TEST(Options, ValuesListsAndVersion) {
  const Walked values = walk({"-o", "a", "-O", "-o", "-v", "x"});
  EXPECT_EQ(values.walk, OPTIONS_READ);  // the value of -o is taken whatever it is
  EXPECT_EQ(values.output, "-v");
  EXPECT_EQ(walk({"-o"}).output, "default");  // a missing value ends the walk
  const Walked lists = walk({"-g", "", "b", "-o", "c", "-g", "d", "e"});
  EXPECT_EQ(lists.names, (std::vector<std::string>{"", "b", "d"}));
  EXPECT_EQ(lists.output, "c");
  EXPECT_TRUE(lists.overflowed);
  EXPECT_FALSE(walk({"-g", "a", "b", "c", "-o", "x"}).overflowed);
  EXPECT_EQ(walk({"-g", "a", "-v", "-o", "x"}).walk, OPTIONS_VERSION);
  EXPECT_EQ(walk({"-g", "a", "-v", "-o", "x"}).output, "default");
  EXPECT_EQ(walk({"-g"}).walk, OPTIONS_READ);
  EXPECT_EQ(walk({"-V", "--v", "v", "-vv"}).walk, OPTIONS_READ);
}

}  // namespace
}  // namespace blobsmith
