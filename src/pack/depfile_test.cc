// Dependency files: the exact text and the paths refused (make and Ninja
// reading them back: tests/install/pack_build.sh).
#include "pack/depfile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace blobsmith {
namespace {

TEST(Depfile, ExactText) {
  const struct {
    const char* target;
    std::vector<std::string> prerequisites;
    bool windows;
    const char* text;
  } cases[] = {
      {"res.bin", {}, false, "res.bin:\n"},
      {"res.bin",
       {"res", "res/a.txt"},
       false,
       "res.bin: \\\n res \\\n res/a.txt\nres:\nres/a.txt:\n"},
      {"out put.bin",
       {"res/a b.txt", "res/c$d", "res/e#f", "res/g:h", " lead", "x$#: y"},
       false,
       R"(out\ put.bin: \
 res/a\ b.txt \
 res/c$$d \
 res/e\#f \
 res/g\:h \
 \ lead \
 x$$\#\:\ y
res/a\ b.txt:
res/c$$d:
res/e\#f:
res/g\:h:
\ lead:
x$$\#\:\ y:
)"},
      // Backslashes: before a space twice as many and one more, else as they are.
      {"o",
       {R"(one\ b)", R"(two\\ b)", R"(a\b)", R"(a\\b)", R"(C:x)"},
       false,
       R"(o: \
 one\\\ b \
 two\\\\\ b \
 a\b \
 a\\b \
 C\:x
one\\\ b:
two\\\\\ b:
a\b:
a\\b:
C\:x:
)"},
      // Characters both read plainly, and whole names no rule takes for anything else.
      {"o",
       {"caf\xc3\xa9", "a]b!{}@+,-~", "(a)b", "a(b)c", ".", "..", "x/.hidden", "res/define", "-x"},
       false,
       "o: \\\n caf\xc3\xa9 \\\n a]b!{}@+,-~ \\\n (a)b \\\n a(b)c \\\n . \\\n .. \\\n x/.hidden "
       "\\\n res/define \\\n -x\ncaf\xc3\xa9:\na]b!{}@+,-~:\n(a)b:\na(b)c:\n.:\n..:\nx/.hidden:\n"
       "res/define:\n-x:\n"},
      // Windows: the drive's colon stands, "\" separates.
      {R"(C:\out\res.bin)",
       {R"(C:\res\a b.txt)", R"(C:\res\ lead)", R"(Z:rel\x$#)", R"(\\server\share\f#1)", R"(\.x)"},
       true,
       R"(C:\out\res.bin: \
 C:\res\a\ b.txt \
 C:\res\\\ lead \
 Z:rel\x$$\# \
 \\server\share\f\#1 \
 \.x
C:\res\a\ b.txt:
C:\res\\\ lead:
Z:rel\x$$\#:
\\server\share\f\#1:
\.x:
)"},
  };
  for (const auto& c : cases) {
    std::string text = "untouched";
    std::string bad_path = "untouched";
    EXPECT_TRUE(format_depfile(c.target, c.prerequisites, c.windows, &text, &bad_path)) << c.target;
    EXPECT_EQ(text, c.text) << c.target;
    EXPECT_EQ(bad_path, "untouched");
  }
}

TEST(Depfile, PathsNeitherToolReadsBackAreRefused) {
  const std::vector<std::string> posix = {
      "",           "a\nb",  "a\rb",    "a\tb",    "a\x7f",       std::string("a\0b", 3),
      "a\"b",       "a&b",   "a'b",     "a*b",     "a;b",         "a<b",
      "a>b",        "a?b",   "a^b",     "a`b",     "a|b",         "50%.png",
      "k=v",        "x[1]",  "~/x",     "~x",      "trail ",      "res/ends:",
      "res/ends\\", "a\\#b", "a\\\\$b", "a\\:b",   "lib(member)", "x/(a)",
      ".PHONY",     ".c",    "define",  "-include"};
  const std::vector<std::string> windows = {"C:\\a:b", "C:", "C:\\", "C:\\res\\#x", "1:\\x"};
  for (const bool on_windows : {false, true}) {
    for (const std::string& path : on_windows ? windows : posix) {
      for (const bool as_target : {true, false}) {
        const std::string target = as_target ? path : "res.bin";
        const std::vector<std::string> prerequisites = {"res/a", as_target ? "res/b" : path};
        std::string text = "untouched";
        std::string bad_path;
        EXPECT_FALSE(format_depfile(target, prerequisites, on_windows, &text, &bad_path))
            << "\"" << path << "\" as " << (as_target ? "target" : "prerequisite");
        EXPECT_EQ(bad_path, path);
        EXPECT_EQ(text, "untouched");
      }
    }
  }
}

}  // namespace
}  // namespace blobsmith
