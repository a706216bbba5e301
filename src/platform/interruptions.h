// A run ended from outside (SIGINT, SIGTERM or SIGHUP on POSIX systems;
// Ctrl-C, Ctrl-Break or closing the console on Windows) first removes the
// temporary files it has made, then ends as it would have without them.
//
// The handler needs to know which files are temporary at any moment, so the
// paths are kept in one small table that it reads. That table is
// process-wide state by necessity (a signal handler is given nothing but the
// signal); it is the tool's only record of the kind and lives in the
// platform layer, behind the calls below.
#ifndef BLOBSMITH_PLATFORM_INTERRUPTIONS_H_
#define BLOBSMITH_PLATFORM_INTERRUPTIONS_H_

#include <cstddef>

namespace blobsmith {

// Temporary files the table holds at once: the pack and whatever else a run
// writes beside its output the same way.
constexpr int MAX_TEMPORARIES = 4;
// The longest path the table holds, its terminator included.
constexpr size_t TEMPORARY_PATH_SIZE = 512;

// Installs the handling, once per process. A signal the process was started
// with ignored (nohup, a background job) stays ignored. Call before any
// temporary file exists.
void catch_interruptions();

// Between hold and release an interruption waits; one that arrived meanwhile
// takes effect at release. A temporary file is made and entered in the
// table, or named, renamed over its output and taken out of the table,
// inside one hold, so no interruption can fall between the two. Holds do not
// nest.
void hold_interruptions();
void release_interruptions();

// Called first thing in every worker thread: the signals catch_interruptions
// handles are blocked in this thread, so they are always taken by the main
// thread (its handler removes the temporary files). Nothing on Windows,
// where console control events come on a thread of their own.
void block_interruptions_in_this_thread();

// Enters path in the table while interruptions are held. Returns its slot,
// or -1 when the table is full or the path does not fit.
int remember_temporary(const char* path);

// Takes the path in slot out of the table while interruptions are held; -1
// is no slot and is ignored.
void forget_temporary(int slot);

}  // namespace blobsmith

#endif  // BLOBSMITH_PLATFORM_INTERRUPTIONS_H_
