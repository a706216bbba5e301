// A pack run of the built tool killed outright (TerminateProcess, as a task
// manager or a lost session would end it) while its pack is written leaves
// nothing beside its output: the temporary file is marked to go with its
// last handle. The earlier pack stays byte for byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace blobsmith {
namespace {

// True when the run's temporary file stands in out with some of the pack
// in it. (It is made, then marked to go with its handle: an empty one may
// not be marked yet.)
bool temp_file_written_in_out() {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA("out\\.blobsmith-*", &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return found.nFileSizeLow != 0 || found.nFileSizeHigh != 0;
}

// Suspends the run's only thread at a moment it is writing its pack.
// Returns false when the run ended first.
bool suspend_while_writing(const PROCESS_INFORMATION& run) {
  for (;;) {
    if (SuspendThread(run.hThread) == static_cast<DWORD>(-1)) return false;
    CONTEXT context = {};
    context.ContextFlags = CONTEXT_CONTROL;
    GetThreadContext(run.hThread, &context);  // returns once the thread is stopped
    if (temp_file_written_in_out()) return true;
    ResumeThread(run.hThread);
    if (WaitForSingleObject(run.hProcess, 0) == WAIT_OBJECT_0) return false;
    Sleep(0);
  }
}

TEST(KilledRunWin32, LeavesNothingAndTheEarlierPack) {
  ScopedTempDir temp;
  for (const char* name : {"res/a.bin", "res/b.bin"}) {
    write_file(name, "");
    std::filesystem::resize_file(name, 16u << 20);
  }
  const std::string earlier = pattern_bytes(3000, 7);
  write_file("out/p.bin", earlier);
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  const HANDLE nowhere = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     &inherited, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(nowhere, INVALID_HANDLE_VALUE);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nowhere;
  startup.hStdOutput = nowhere;
  startup.hStdError = nowhere;
  std::string command = std::string("\"") + BLOBSMITH_TOOL_PATH + "\" --pack -i res -o out\\p.bin";
  PROCESS_INFORMATION run = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &startup, &run));
  CloseHandle(nowhere);
  const bool caught = suspend_while_writing(run);
  EXPECT_TRUE(caught) << "the run ended before its temporary file was seen";
  TerminateProcess(run.hProcess, 9);
  WaitForSingleObject(run.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(run.hProcess, &code);
  CloseHandle(run.hThread);
  CloseHandle(run.hProcess);
  if (!caught) return;
  EXPECT_EQ(code, 9u);
  EXPECT_EQ(list_tree("out"), std::vector<std::string>{"p.bin"});
  EXPECT_TRUE(read_file("out/p.bin") == earlier);
}

}  // namespace
}  // namespace blobsmith
