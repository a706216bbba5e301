// The threads that extract the members, a directory at a time.
#include "unpack/extract_pool.h"

#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "cli/lines.h"
#include "format/level_fold.h"
#include "format/printable.h"
#include "platform/interruptions.h"

namespace blobsmith {

namespace {

// A directory of the output tree held open while any task needs it.
struct OpenDir {
  OpenDir(OutDir* opened, const bool close_at_end) : dir(opened), owned(close_at_end) {}
  OpenDir(const OpenDir&) = delete;
  OpenDir& operator=(const OpenDir&) = delete;
  OutDir* dir;
  bool owned;  // closed with the last reference (out_dir is the caller's)
  ~OpenDir() {
    if (owned && dir != nullptr) out_dir_close(dir);
  }
};
using DirRef = std::shared_ptr<OpenDir>;

// One directory to work on: the members whose names pass through it, in
// table order; level `depth` of their names is an entry of this directory.
struct DirTask {
  DirRef parent;          // where name is found; null for out_dir itself
  DirRef dir;             // out_dir itself, already open
  std::string name;       // the level's name in parent, when opened there
  FileIdentity identity;  // what the parent's thread opened at that name
  int depth;
  std::vector<int32_t> members;
  bool unopened = false;  // the level is made or opened by this task
};

struct MemberState {
  std::string lines;
  bool done = false;
  bool failed = false;
};

using IdentityKey = std::pair<uint64_t, uint64_t>;

struct Pool {
  Extraction* x;
  std::vector<PackEntry> entries;
  std::vector<MemberState> states;

  std::mutex queue_mutex;  // guards tasks and busy
  std::condition_variable queue_changed;
  std::vector<DirTask> tasks;  // taken from the back: the newest first
  int busy = 0;                // threads working on a task

  // Directories some thread is working in: a directory reached by two
  // paths (a mount seen twice) is worked in by one thread at a time.
  std::mutex claim_mutex;
  std::condition_variable claim_released;
  std::set<IdentityKey> claimed;

  std::mutex print_mutex;  // guards states' done and failed, and next_print
  int32_t next_print = 0;
  bool any_failed = false;
};

IdentityKey key_of(const FileIdentity& identity) { return {identity.device, identity.object}; }

// Marks a member done and prints every member whose turn has come.
void finish(Pool* pool, const int32_t index, const bool succeeded) {
  std::lock_guard<std::mutex> lock(pool->print_mutex);
  MemberState& state = pool->states[static_cast<size_t>(index)];
  state.done = true;
  state.failed = !succeeded;
  if (!succeeded) pool->any_failed = true;
  const int32_t count = static_cast<int32_t>(pool->states.size());
  while (pool->next_print < count && pool->states[static_cast<size_t>(pool->next_print)].done) {
    print_lines(&pool->states[static_cast<size_t>(pool->next_print)].lines);
    ++pool->next_print;
  }
}

void fail_all(Pool* pool, const std::vector<int32_t>& members) {
  for (const int32_t index : members) {
    add_line(&pool->states[static_cast<size_t>(index)].lines, "%s open failed !!!\n",
             printable(pool->entries[static_cast<size_t>(index)].name).c_str());
    finish(pool, index, false);
  }
}

// A level below the task's directory, found while its members were met.
struct Level {
  std::string name;  // as the first member that needed it spells it
  FileIdentity identity;
  std::vector<int32_t> members;
  bool handed_on;  // a task now: no member joins it any more
};

// Hands a level found below the task's directory on as a task of its own.
void hand_on(Pool* pool, const DirTask& task, Level* level, const bool unopened) {
  std::lock_guard<std::mutex> lock(pool->queue_mutex);
  pool->tasks.push_back(DirTask{task.dir, nullptr, std::move(level->name), level->identity,
                                task.depth + 1, std::move(level->members), unopened});
  level->handed_on = true;
  pool->queue_changed.notify_all();
}

// Works through one directory: the members that lie in it are made in
// table order, and so are the levels below it. A level is handed on as a
// task once the last member that needs it has been met.
void work_in(Pool* pool, const DirTask& task, OutDir* dir, PackWindow* window) {
  MemberPath path;
  std::map<std::string, size_t> last_need;  // each level's name, to its last member
  std::vector<std::string> leaves;          // the names of the files made here
  for (size_t at = 0; at < task.members.size(); ++at) {
    split_name(pool->entries[static_cast<size_t>(task.members[at])].name, &path);
    if (path.level_count > task.depth) last_need[path.levels[task.depth]] = at;
    if (path.level_count == task.depth) leaves.emplace_back(path.leaf);
  }
  // Level names here that could name one directory on some file system:
  // every level then waits for the whole directory, so a directory reached
  // by two names is one task.
  std::vector<std::string> names;
  for (const auto& need : last_need) names.push_back(need.first);
  const bool wait_for_all = levels_may_fold_together(names);
  // When no level can meet another level or a file here whatever the order,
  // the task of a level makes it itself: directories are made in parallel.
  names.insert(names.end(), leaves.begin(), leaves.end());
  const bool levels_apart = !levels_may_fold_together(names);
  std::vector<Level> levels;
  std::map<std::string, size_t> by_name;  // every name met, to its level
  for (size_t at = 0; at < task.members.size(); ++at) {
    const int32_t index = task.members[at];
    const PackEntry& entry = pool->entries[static_cast<size_t>(index)];
    std::string* lines = &pool->states[static_cast<size_t>(index)].lines;
    split_name(entry.name, &path);
    if (path.level_count == task.depth) {
      finish(pool, index, write_member_file(pool->x, dir, path, entry, index, lines, window));
      continue;
    }
    const std::string name = path.levels[task.depth];
    auto known = by_name.find(name);
    if (known == by_name.end() && levels_apart) {
      levels.push_back(Level{name, FileIdentity{0, 0}, {}, false});
      known = by_name.emplace(name, levels.size() - 1).first;
    } else if (known == by_name.end()) {
      OutDir* level = open_member_level(pool->x, dir, path, task.depth, entry.name, index, lines);
      FileIdentity identity;
      const bool identified = level != nullptr && out_dir_identity(level, &identity) == 0;
      if (level != nullptr) out_dir_close(level);
      if (!identified) {
        if (level != nullptr)
          add_line(lines, "%s open failed !!!\n", printable(entry.name).c_str());
        finish(pool, index, false);
        continue;
      }
      // Two names of one directory (a file system that folds letter case)
      // are one task, so its members still meet in table order.
      size_t found = levels.size();
      for (size_t l = 0; l < levels.size(); ++l) {
        if (!levels[l].handed_on && same_identity(levels[l].identity, identity)) found = l;
      }
      if (found == levels.size()) levels.push_back(Level{name, identity, {}, false});
      known = by_name.emplace(name, found).first;
    }
    Level& level = levels[known->second];
    level.members.push_back(index);
    if (!wait_for_all && last_need[name] == at) hand_on(pool, task, &level, levels_apart);
  }
  for (auto level = levels.rbegin(); level != levels.rend(); ++level) {
    if (!level->handed_on) hand_on(pool, task, &*level, levels_apart);
  }
}

// Makes or opens the task's level inside its parent for its first member
// that can have it, as that member would: each member that cannot gets its
// line, and the next tries again. Returns false when none could.
bool open_unopened(Pool* pool, DirTask* task) {
  MemberPath path;
  for (size_t first = 0; first < task->members.size(); ++first) {
    const int32_t index = task->members[first];
    const PackEntry& entry = pool->entries[static_cast<size_t>(index)];
    std::string* lines = &pool->states[static_cast<size_t>(index)].lines;
    split_name(entry.name, &path);
    OutDir* dir = open_member_level(pool->x, task->parent->dir, path, task->depth - 1, entry.name,
                                    index, lines);
    if (dir != nullptr && out_dir_identity(dir, &task->identity) == 0) {
      task->members.erase(task->members.begin(),
                          task->members.begin() + static_cast<std::ptrdiff_t>(first));
      task->dir = std::make_shared<OpenDir>(dir, true);
      return true;
    }
    if (dir != nullptr) {
      out_dir_close(dir);
      add_line(lines, "%s open failed !!!\n", printable(entry.name).c_str());
    }
    finish(pool, index, false);
  }
  return false;
}

// Opens the task's directory (made or found by its parent's thread) again
// inside its parent, checks it is still the directory that was made or
// found there, and works in it.
void run_task(Pool* pool, DirTask* task, PackWindow* window) {
  if (task->unopened && !open_unopened(pool, task)) return;
  if (task->dir == nullptr) {
    int failure = OUT_FAILED;
    OutObject object;
    OutDir* dir = out_dir_open_level(task->parent->dir, task->name.c_str(), &object, &failure);
    FileIdentity identity;
    if (dir == nullptr || out_dir_identity(dir, &identity) != 0 ||
        !same_identity(identity, task->identity)) {
      // Changed since it was entered: nothing is made in whatever stands
      // there now.
      if (dir != nullptr) out_dir_close(dir);
      fail_all(pool, task->members);
      return;
    }
    task->dir = std::make_shared<OpenDir>(dir, true);
  }
  task->parent.reset();
  {
    std::unique_lock<std::mutex> lock(pool->claim_mutex);
    pool->claim_released.wait(lock,
                              [&] { return pool->claimed.count(key_of(task->identity)) == 0; });
    pool->claimed.insert(key_of(task->identity));
  }
  work_in(pool, *task, task->dir->dir, window);
  {
    std::lock_guard<std::mutex> lock(pool->claim_mutex);
    pool->claimed.erase(key_of(task->identity));
  }
  pool->claim_released.notify_all();
}

void work(Pool* pool) {
  PackWindow window;
  for (;;) {
    DirTask task;
    {
      std::unique_lock<std::mutex> lock(pool->queue_mutex);
      pool->queue_changed.wait(lock, [&] { return !pool->tasks.empty() || pool->busy == 0; });
      if (pool->tasks.empty()) return;  // and no thread can add one
      task = std::move(pool->tasks.back());
      pool->tasks.pop_back();
      ++pool->busy;
    }
    run_task(pool, &task, &window);
    task = DirTask{};  // its directory is closed before this thread waits
    std::lock_guard<std::mutex> lock(pool->queue_mutex);
    --pool->busy;
    pool->queue_changed.notify_all();
  }
}

}  // namespace

bool extract_in_parallel(Extraction* x, const int32_t count, const std::vector<bool>& chosen,
                         const int threads) {
  Pool pool;
  pool.x = x;
  pool.entries.resize(static_cast<size_t>(count));
  pool.states.resize(static_cast<size_t>(count));
  // Names are checked in table order first, as the members would meet them
  // one after another: that also opens out_dir for the first member that
  // gets that far.
  DirTask root;
  root.depth = 0;
  MemberPath path;
  for (int32_t i = 0; i < count; ++i) {
    if (!chosen[static_cast<size_t>(i)]) {
      pool.states[static_cast<size_t>(i)].done = true;
      continue;
    }
    PackEntry& entry = pool.entries[static_cast<size_t>(i)];
    const bool terminated = decode_table_entry(x->table, i, &entry) == 0;
    MemberState& state = pool.states[static_cast<size_t>(i)];
    if (check_member(x, entry, terminated, i, &path, &state.lines)) {
      root.members.push_back(i);
    } else {
      state.done = true;
      state.failed = true;
      pool.any_failed = true;
    }
  }
  // The lines of the members that failed their checks before the first
  // that passed them.
  while (pool.next_print < count && pool.states[static_cast<size_t>(pool.next_print)].done) {
    print_lines(&pool.states[static_cast<size_t>(pool.next_print)].lines);
    ++pool.next_print;
  }
  if (!root.members.empty() && x->root != nullptr &&
      out_dir_identity(x->root, &root.identity) == 0) {
    root.dir = std::make_shared<OpenDir>(x->root, false);
    pool.tasks.push_back(std::move(root));
  } else if (!root.members.empty()) {
    fail_all(&pool, root.members);
  }
  std::vector<std::thread> helpers;
  for (int t = 1; t < threads; ++t) {
    try {
      helpers.emplace_back([&pool] {
        block_interruptions_in_this_thread();
        work(&pool);
      });
    } catch (const std::system_error&) {
      break;  // the threads started, and this one, do the work
    }
  }
  work(&pool);
  for (std::thread& helper : helpers) helper.join();
  return !pool.any_failed;
}

}  // namespace blobsmith
