// Ctrl-C, Ctrl-Break and closing the console on Windows. The system runs
// the handler in a thread of its own while the run goes on, so a hold is a
// lock the handler takes too: it removes every temporary file in the table
// and, keeping the lock so the run cannot go on to name or rename a file,
// passes the event on to the system's own handler, which ends the process
// as the event would have.
#include <windows.h>

#include "platform/interruptions.h"
#include "platform/temporary_table.h"
#include "platform/wide_path_win32.h"

namespace blobsmith {

namespace {

// The process-wide record (see platform/interruptions.h).
struct Interruptions {
  SRWLOCK lock;  // held by a hold, and by the handler until the process ends
  TemporaryTable table;
  bool installed;
};
Interruptions g_interruptions = {SRWLOCK_INIT, {}, false};

BOOL WINAPI end_interrupted_run(const DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  AcquireSRWLockExclusive(&g_interruptions.lock);
  const TemporaryTable& table = g_interruptions.table;
  for (int slot = 0; slot < MAX_TEMPORARIES; ++slot) {
    WidePath path;
    if (table.in_use[slot] != 0 && make_wide_path(table.paths[slot], &path) == 0) {
      DeleteFileW(path.text);
    }
  }
  return FALSE;
}

}  // namespace

void catch_interruptions() {
  // Ctrl-C ignored by whoever started the run never reaches a handler.
  if (g_interruptions.installed) return;
  g_interruptions.installed = SetConsoleCtrlHandler(end_interrupted_run, TRUE) != 0;
}

void hold_interruptions() { AcquireSRWLockExclusive(&g_interruptions.lock); }

void release_interruptions() { ReleaseSRWLockExclusive(&g_interruptions.lock); }

// Console control events come on a thread of the system's: a worker has
// nothing to block.
void block_interruptions_in_this_thread() {}

int remember_temporary(const char* path) { return table_remember(&g_interruptions.table, path); }

void forget_temporary(const int slot) { table_forget(&g_interruptions.table, slot); }

}  // namespace blobsmith
