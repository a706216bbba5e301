// SIGINT, SIGTERM and SIGHUP on POSIX systems: the handler removes every
// temporary file in the table, puts the signal's default action back and
// raises it again, so whoever started the run sees it ended by that signal.
// It calls only unlink, sigaction, raise and sigprocmask, all safe inside a
// signal handler, on fixed buffers. Worker threads block the signals, so the
// handler always runs on the main thread.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include "platform/interruptions.h"
#include "platform/temporary_table.h"

namespace blobsmith {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The process-wide record (see platform/interruptions.h).
struct Interruptions {
  TemporaryTable table;
  sigset_t before_hold;  // the signal mask a hold puts back at release
  bool installed;
};
Interruptions g_interruptions;

sigset_t interruption_set() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal_number : kSignals) sigaddset(&set, signal_number);
  return set;
}

void end_interrupted_run(const int signal_number) {
  const TemporaryTable& table = g_interruptions.table;
  for (int slot = 0; slot < MAX_TEMPORARIES; ++slot) {
    if (table.in_use[slot] != 0) ::unlink(table.paths[slot]);
  }
  struct sigaction original = {};
  original.sa_handler = SIG_DFL;
  sigemptyset(&original.sa_mask);
  ::sigaction(signal_number, &original, nullptr);
  // The signal is blocked while its handler runs: raised, it waits, and
  // unblocked, it ends the process with its default action.
  ::raise(signal_number);
  sigset_t own;
  sigemptyset(&own);
  sigaddset(&own, signal_number);
  ::sigprocmask(SIG_UNBLOCK, &own, nullptr);
}

}  // namespace

void catch_interruptions() {
  if (g_interruptions.installed) return;
  g_interruptions.installed = true;
  struct sigaction action = {};
  action.sa_handler = end_interrupted_run;
  // One handler at a time: a second signal waits for the first to end the run.
  action.sa_mask = interruption_set();
  for (const int signal_number : kSignals) {
    struct sigaction current;
    if (::sigaction(signal_number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) {
      continue;
    }
    ::sigaction(signal_number, &action, nullptr);
  }
}

void hold_interruptions() {
  const sigset_t held = interruption_set();
  ::sigprocmask(SIG_BLOCK, &held, &g_interruptions.before_hold);
}

void release_interruptions() { ::sigprocmask(SIG_SETMASK, &g_interruptions.before_hold, nullptr); }

void block_interruptions_in_this_thread() {
  const sigset_t blocked = interruption_set();
  ::pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
}

int remember_temporary(const char* path) { return table_remember(&g_interruptions.table, path); }

void forget_temporary(const int slot) { table_forget(&g_interruptions.table, slot); }

}  // namespace blobsmith
