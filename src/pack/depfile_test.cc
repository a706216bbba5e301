// Dependency files: the exact text for awkward names, the paths refused,
// and what GNU make and ninja really read back.
#include "pack/depfile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "support/test_support.h"
#endif

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
       {R"(C:\res\a b.txt)", R"(C:\res\ lead)", R"(A:rel\x$#)", R"(\\server\share\f#1)", R"(\.x)"},
       true,
       R"(C:\out\res.bin: \
 C:\res\a\ b.txt \
 C:\res\\\ lead \
 A:rel\x$$\# \
 \\server\share\f\#1 \
 \.x
C:\res\a\ b.txt:
C:\res\\\ lead:
A:rel\x$$\#:
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

#ifndef _WIN32

// Runs a command line with sh, its error stream joined to its output, and
// returns what it printed; its exit status goes to *status.
std::string run_shell(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) {
    *status = -1;
    return output;
  }
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  const int raw = pclose(pipe);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

// The build tools run as a user runs them, not as children of a make that
// may be running these tests.
const char* const CLEAN_ENVIRONMENT =
    "unset MAKEFLAGS MFLAGS MAKELEVEL GNUMAKEFLAGS MAKEFILES NINJA_STATUS; ";

namespace fs = std::filesystem;

// A tree whose names hold every character the dependency file escapes, its
// walked directories and files as prerequisites of "my pack.bin", every one
// older than the pack.
class DepfileReadBack : public ::testing::Test {
 protected:
  void SetUp() override {
    prerequisites_ = {"res",         "res/a b.txt",       "res/c$d.txt",   "res/e#f.txt",
                      "res/g:h.txt", "res/back\\ slash",  "res/x$#: y",    "res/caf\xc3\xa9",
                      "res/sub dir", "res/sub dir/ lead", "res/sub dir/#x"};
    for (const std::string& path : prerequisites_) {
      if (path == "res" || path == "res/sub dir") {
        fs::create_directories(path);
      } else {
        write_file(path, path);
      }
    }
    for (const std::string& path : prerequisites_) make_old(path);
    std::string bad_path;
    ASSERT_TRUE(format_depfile("my pack.bin", prerequisites_, false, &text_, &bad_path))
        << bad_path;
  }

  // Sources an hour old, the pack built a minute after them, and a source
  // changed a minute after that.
  void make_old(const std::string& path) const { fs::last_write_time(path, base_); }
  void make_built(const std::string& path) const {
    fs::last_write_time(path, base_ + std::chrono::minutes(1));
  }
  void make_new(const std::string& path) const {
    fs::last_write_time(path, base_ + std::chrono::minutes(2));
  }

  std::string joined() const {
    std::string all;
    for (const std::string& path : prerequisites_) all += (all.empty() ? "" : " ") + path;
    return all;
  }

  ScopedTempDir dir_;
  const fs::file_time_type base_ = fs::file_time_type::clock::now() - std::chrono::hours(1);
  std::vector<std::string> prerequisites_;
  std::string text_;
};

TEST_F(DepfileReadBack, GnuMake) {
  int status = 0;
  if (run_shell("make --version", &status).find("GNU Make") == std::string::npos) {
    GTEST_SKIP() << "GNU make is not installed";
  }
  write_file("deps.d", text_);
  // The recipe records the prerequisites it was given and those newer than
  // the pack, each list exactly as make holds it.
  write_file("Makefile",
             "my\\ pack.bin:\n"
             "\t@$(file >all.txt,$^)$(file >newer.txt,$?)touch 'my pack.bin'\n"
             "include deps.d\n");
  const std::string make = std::string(CLEAN_ENVIRONMENT) + "make";
  std::string output = run_shell(make, &status);
  ASSERT_EQ(status, 0) << output;
  EXPECT_EQ(read_file("all.txt"), joined() + "\n");
  make_built("my pack.bin");
  output = run_shell(make + " -q", &status);
  EXPECT_EQ(status, 0) << "make would build again at once: " << output;

  // Each prerequisite, made newer than the pack, is the one make names.
  for (const std::string& path : prerequisites_) {
    make_new(path);
    output = run_shell(make, &status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(read_file("newer.txt"), path + "\n");
    make_old(path);
    make_built("my pack.bin");
  }

  // A prerequisite that has gone builds the pack again instead of stopping.
  fs::remove("res/e#f.txt");
  make_old("res");
  output = run_shell(make, &status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_EQ(read_file("all.txt"), joined() + "\n");
  EXPECT_EQ(read_file("newer.txt"), "res/e#f.txt\n");
}

TEST_F(DepfileReadBack, Ninja) {
  int status = 0;
  run_shell("ninja --version", &status);
  if (status != 0) GTEST_SKIP() << "ninja is not installed";
  write_file("deps.src", text_);
  const std::string ninja = std::string(CLEAN_ENVIRONMENT) + "ninja";
  const std::string rule =
      "rule pack\n"
      "  command = cp deps.src $out.d && touch $out\n"
      "  depfile = $out.d\n";
  const std::string build = "build my$ pack.bin: pack\n";

  // Read once and kept in ninja's log of dependencies.
  write_file("build.ninja", rule + "  deps = gcc\n" + build);
  std::string output = run_shell(ninja, &status);
  ASSERT_EQ(status, 0) << output;
  output = run_shell(ninja + " -t deps", &status);
  std::vector<std::string> recorded;
  for (size_t at = 0; at < output.size();) {
    size_t end = output.find('\n', at);
    if (end == std::string::npos) end = output.size();
    if (output.compare(at, 4, "    ") == 0) recorded.push_back(output.substr(at + 4, end - at - 4));
    at = end + 1;
  }
  EXPECT_EQ(recorded, prerequisites_) << output;
  output = run_shell(ninja, &status);
  EXPECT_NE(output.find("no work to do"), std::string::npos) << output;

  // Read from the file at every run: the target must be the build's output,
  // and a prerequisite that has gone builds again rather than failing.
  fs::remove(".ninja_log");
  fs::remove(".ninja_deps");
  fs::remove("my pack.bin");
  write_file("build.ninja", rule + build);
  output = run_shell(ninja, &status);
  ASSERT_EQ(status, 0) << output;
  output = run_shell(ninja, &status);
  EXPECT_NE(output.find("no work to do"), std::string::npos) << output;
  fs::remove("res/sub dir/ lead");
  make_old("res/sub dir");
  output = run_shell(ninja, &status);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("[1/1]"), std::string::npos) << output;
}

#endif  // _WIN32

}  // namespace
}  // namespace blobsmith
