// Pack runs stopped while writing and signalled end by the signal (unless
// ignored), leaving nothing but the earlier pack, unnamed or (no /proc) named.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "inspect/verify.h"
#include "support/fault_io.h"
#include "support/test_support.h"

namespace blobsmith {
namespace {

// How a run holds its pack open while writing it.
enum TempOpen { TEMP_NONE, TEMP_UNNAMED, TEMP_NAMED };

// How process pid holds its pack open in dir (absolute).
TempOpen temp_open_in(const pid_t pid, const std::string& dir) {
  bool unnamed = false;
  if (pack_being_written(std::to_string(pid), dir, &unnamed).empty()) return TEMP_NONE;
  return unnamed ? TEMP_UNNAMED : TEMP_NAMED;
}

// Starts args with SIGINT, SIGTERM and SIGHUP at their default actions but
// for ignored (0: none), which is ignored as nohup would leave it; standard
// output goes nowhere.
pid_t start(const std::vector<std::string>& args, const int ignored) {
  std::vector<std::string> storage = args;
  std::vector<char*> argv;
  for (std::string& arg : storage) argv.push_back(&arg[0]);
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid != 0) return pid;
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    signal(signal_number, signal_number == ignored ? SIG_IGN : SIG_DFL);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  const int null_fd = open("/dev/null", O_WRONLY);
  dup2(null_fd, 1);
  execvp(argv[0], argv.data());
  _exit(127);
}

// Stops pid at a moment it holds its pack open in dir as want says. Returns
// false when it ended first, its wait status then in *ended.
bool stop_while_open(const pid_t pid, const std::string& dir, const TempOpen want, int* ended) {
  for (;;) {
    kill(pid, SIGSTOP);
    if (waitpid(pid, ended, WUNTRACED) != pid || !WIFSTOPPED(*ended)) return false;
    if (temp_open_in(pid, dir) == want) return true;
    kill(pid, SIGCONT);
    usleep(100);
  }
}

struct RunGuard {
  pid_t pid;
  ~RunGuard() {
    if (pid > 0 && kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
  }
};

struct Interruption {
  int signal_number;
  int ignored;      // a signal the run starts with ignored, or 0
  TempOpen expect;  // how the pack must be open when the run is stopped
};

// Packs res into out/p.bin through prefix (commands put before the tool),
// with two threads, interrupted as row says, and checks how the run ended
// and what it left.
void interrupt_pack(const std::vector<std::string>& prefix, const Interruption& row) {
  SCOPED_TRACE(testing::Message() << "signal " << row.signal_number << " ignored " << row.ignored);
  const std::string dir = std::filesystem::current_path().string() + "/out";
  const std::string earlier = pattern_bytes(3000, 7);
  write_file("out/p.bin", earlier);
  std::vector<std::string> args = prefix;
  for (const char* arg :
       {BLOBSMITH_TOOL_PATH, "--pack", "-j", "2", "-i", "res", "-o", "out/p.bin"}) {
    args.push_back(arg);
  }
  RunGuard run{start(args, row.ignored)};
  ASSERT_GT(run.pid, 0);
  int status = 0;
  ASSERT_TRUE(stop_while_open(run.pid, dir, row.expect, &status))
      << "ended before its pack was seen open as expected, wait status " << status;
  // An unnamed pack is nowhere to be seen; a named one stands beside the output.
  EXPECT_EQ(list_tree("out").size(), row.expect == TEMP_UNNAMED ? 1u : 2u);
  kill(run.pid, row.signal_number);
  kill(run.pid, SIGCONT);
  ASSERT_EQ(waitpid(run.pid, &status, 0), run.pid);
  run.pid = 0;
  EXPECT_EQ(list_tree("out"), std::vector<std::string>{"p.bin"});
  if (row.signal_number == row.ignored) {
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
    fault_reset();
    testing::internal::CaptureStdout();
    EXPECT_EQ(verify_pack("out/p.bin").problems, 0);
    testing::internal::GetCapturedStdout();
  } else {
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == row.signal_number)
        << "wait status " << status;
    EXPECT_TRUE(read_file("out/p.bin") == earlier);
  }
}

// A tree whose pack takes a while to write but little to read: two sparse
// files of 16 MiB.
void make_large_tree() {
  for (const char* name : {"res/a.bin", "res/b.bin"}) {
    write_file(name, "");
    std::filesystem::resize_file(name, 16u << 20);
  }
}

// True when this directory takes unnamed files, as the tool's pack would be.
bool unnamed_files_here() {
  const int fd = open(".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  close(fd);
  return access("/proc/self/fd", F_OK) == 0;
}

TEST(Interrupted, SignalsEndTheRunLeavingNothingAndTheEarlierPack) {
  ScopedTempDir temp;
  make_large_tree();
  const TempOpen expect = unnamed_files_here() ? TEMP_UNNAMED : TEMP_NAMED;
  std::vector<Interruption> rows = {
      {SIGINT, 0, expect},
      {SIGTERM, 0, expect},
      {SIGHUP, 0, expect},
      {SIGHUP, SIGHUP, expect},  // as under nohup: the run goes on to the end
  };
  if (expect == TEMP_UNNAMED) rows.push_back({SIGKILL, 0, expect});
  for (const Interruption& row : rows) interrupt_pack({}, row);
}

TEST(Interrupted, ANamedTemporaryFileIsRemovedToo) {
  ScopedTempDir temp;
  // A namespace of the run's own with an empty /proc: the pack cannot be
  // named through /proc/self/fd, so it is written under a name.
  const char* const hide_proc = "mount -t tmpfs none /proc && exec \"$0\" \"$@\"";
  if (std::system("unshare -Urm sh -c 'mount -t tmpfs none /proc' >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "no mount namespace can be made here to hide /proc";
  }
  make_large_tree();
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    interrupt_pack({"unshare", "-Urm", "sh", "-c", hide_proc},
                   Interruption{signal_number, 0, TEMP_NAMED});
  }
}

}  // namespace
}  // namespace blobsmith
