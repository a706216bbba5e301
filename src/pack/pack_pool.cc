// The threads that pack the members.
#include "pack/pack_pool.h"

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/jobs.h"
#include "cli/lines.h"
#include "format/checksum.h"
#include "format/printable.h"
#include "pack/pack_member.h"
#include "platform/interruptions.h"

namespace blobsmith {

namespace {

// What one member left for the printer.
struct MemberDone {
  std::string lines;
  MemberOutcome outcome = MEMBER_PACKED;
  uint32_t fold = 0;   // of the blocks it wrote, from 0
  int64_t length = 0;  // the bytes of those blocks
  bool done = false;
};

struct Pool {
  const PackOutput* output;
  NameTable* table;
  int prefix_len;
  int count;
  MembersWritten* written;

  std::atomic<int> next_member{0};
  // The first member that ended the work (count when none): members after
  // it are not started, and their lines are not printed.
  std::atomic<int> first_fatal;

  std::mutex place_mutex;  // guards next_place and next_offset
  std::condition_variable placed;
  int next_place = 0;  // the member whose offset is given out next
  int64_t next_offset = PACK_DATA_OFFSET;

  std::mutex print_mutex;  // guards done, next_print and outcome
  std::vector<MemberDone> done;
  int next_print = 0;
  MembersOutcome outcome = MEMBERS_PACKED;
};

void note_fatal(Pool* pool, const int index) {
  std::lock_guard<std::mutex> lock(pool->place_mutex);
  if (index < pool->first_fatal.load()) pool->first_fatal.store(index);
  pool->placed.notify_all();
}

// Members a thread takes at once: their sources are open together, and all
// threads' batches stay far below the usual limit of 1024 descriptors.
constexpr int MAX_BATCH = 16;
int batch_size(const int threads) {
  const int size = 256 / threads;
  return size < 1 ? 1 : (size > MAX_BATCH ? MAX_BATCH : size);
}

// Small members placed one after another are gathered and written at once.
constexpr size_t GATHER_SIZE = IO_BUFFER_SIZE;

// Hands a batch's results to the printer, which prints every member whose
// turn has come and joins its fold to those before it.
void finish(Pool* pool, const int first, MemberDone* results, const int size) {
  std::lock_guard<std::mutex> lock(pool->print_mutex);
  for (int k = 0; k < size; ++k) {
    results[k].done = true;
    pool->done[static_cast<size_t>(first + k)] = std::move(results[k]);
  }
  while (pool->next_print < pool->count && pool->next_print <= pool->first_fatal.load()) {
    MemberDone& next = pool->done[static_cast<size_t>(pool->next_print)];
    if (!next.done) break;
    print_lines(&next.lines);
    pool->written->data_fold =
        checksum_after_zeros(pool->written->data_fold, static_cast<uint64_t>(next.length)) ^
        next.fold;
    if (next.outcome == MEMBER_FATAL) pool->outcome = MEMBERS_FATAL;
    if (next.outcome == MEMBER_REPORTED && pool->outcome == MEMBERS_PACKED) {
      pool->outcome = MEMBERS_REPORTED;
    }
    ++pool->next_print;
  }
}

// What a thread has gathered: the blocks of members placed one after
// another, from offset start on.
struct Gathered {
  unsigned char* bytes;
  int64_t start;
  size_t length;
  int first;  // the batch's member whose blocks come first
};

// Writes what is gathered. A failure ends the work and is told of the
// first member gathered.
void write_gathered(Pool* pool, const int batch_first, Gathered* gathered, MemberDone* results,
                    const MemberSource* sources) {
  if (gathered->length == 0) return;
  if (io_write_at(pool->output->file, gathered->bytes, gathered->length, gathered->start) != 0) {
    MemberDone& result = results[gathered->first];
    add_line(&result.lines, "%s write failed !!!\n",
             printable(sources[gathered->first].open_path).c_str());
    result.outcome = MEMBER_FATAL;
    note_fatal(pool, batch_first + gathered->first);
  }
  gathered->length = 0;
}

// Packs members first to last - 1: opens them, takes their offsets when
// their turn comes, and copies them.
void pack_batch(Pool* pool, const int first, const int end, unsigned char* gather) {
  int last = end;
  MemberDone results[MAX_BATCH];
  PackEntry entries[MAX_BATCH];
  MemberSource sources[MAX_BATCH];
  int64_t positions[MAX_BATCH];
  std::memset(entries, 0, sizeof entries);
  for (int k = 0; k < last - first; ++k) {
    positions[k] = -1;
    results[k].outcome = open_member(*pool->output, pool->table->slots[first + k],
                                     static_cast<PathKind>(pool->table->kinds[first + k]),
                                     pool->prefix_len, &sources[k], &results[k].lines);
    if (results[k].outcome == MEMBER_FATAL) {
      note_fatal(pool, first + k);
      last = first + k + 1;  // nothing after it is kept
    }
  }
  {
    std::unique_lock<std::mutex> lock(pool->place_mutex);
    pool->placed.wait(
        lock, [&] { return pool->next_place == first || first > pool->first_fatal.load(); });
    if (pool->next_place != first) {
      // After a member that ended the work: nothing of the batch is kept.
      for (int k = 0; k < last - first; ++k) {
        if (sources[k].file != nullptr) io_close(sources[k].file);
      }
      return;
    }
    for (int k = 0; k < last - first; ++k) {
      if (results[k].outcome != MEMBER_PACKED) continue;
      results[k].outcome =
          place_member(&sources[k], pool->next_offset, &entries[k], &results[k].lines);
      if (results[k].outcome != MEMBER_PACKED) continue;
      positions[k] = pool->next_offset;
      results[k].length = int64_t{blocks_for_size(entries[k].byte_size)} * PACK_BLOCK_SIZE;
      pool->next_offset += results[k].length;
    }
    pool->next_place = end;
  }
  pool->placed.notify_all();
  Gathered gathered{gather, 0, 0, 0};
  for (int k = 0; k < last - first; ++k) {
    if (positions[k] < 0) continue;
    const size_t padded = static_cast<size_t>(results[k].length);
    if (gathered.length + padded > GATHER_SIZE ||
        (gathered.length > 0 &&
         positions[k] != gathered.start + static_cast<int64_t>(gathered.length))) {
      write_gathered(pool, first, &gathered, results, sources);
    }
    if (padded > GATHER_SIZE) {
      results[k].outcome = copy_member(&sources[k], *pool->output, entries[k], positions[k],
                                       &results[k].fold, &results[k].lines);
      if (results[k].outcome == MEMBER_FATAL) note_fatal(pool, first + k);
      continue;
    }
    if (gathered.length == 0) {
      gathered.start = positions[k];
      gathered.first = k;
    }
    results[k].outcome = read_member(&sources[k], entries[k], gather + gathered.length,
                                     &results[k].fold, &results[k].lines);
    gathered.length += padded;
  }
  write_gathered(pool, first, &gathered, results, sources);
  for (int k = 0; k < last - first; ++k) {
    encode_table_entry(entries[k], pool->written->images, first + k);
  }
  finish(pool, first, results, last - first);
}

// Packs the next batch. Returns false when no member is left to take.
bool pack_next_batch(Pool* pool, const int batch, unsigned char* gather) {
  const int first = pool->next_member.fetch_add(batch);
  if (first >= pool->count || first > pool->first_fatal.load()) return false;
  pack_batch(pool, first, first + batch < pool->count ? first + batch : pool->count, gather);
  return true;
}

void work(Pool* pool, const int batch) {
  std::vector<unsigned char> gather(GATHER_SIZE);
  while (pack_next_batch(pool, batch, gather.data())) {
  }
}

// True once the members taken and the bytes placed are worth more threads.
bool worth_more(Pool* pool) {
  std::lock_guard<std::mutex> lock(pool->place_mutex);
  return worth_threads(pool->next_member.load(), pool->next_offset - PACK_DATA_OFFSET);
}

}  // namespace

MembersOutcome pack_members_in_parallel(const PackOutput& output, const int prefix_len,
                                        NameTable* table, const int count, const int threads,
                                        const bool when_worth, MembersWritten* written) {
  Pool pool;
  pool.output = &output;
  pool.table = table;
  pool.prefix_len = prefix_len;
  pool.count = count;
  pool.written = written;
  pool.first_fatal.store(count);
  pool.done.resize(static_cast<size_t>(count));
  const int batch = batch_size(threads);
  std::vector<std::thread> helpers;
  const auto start_helpers = [&] {
    for (int t = 1; t < threads; ++t) {
      try {
        helpers.emplace_back([&pool, batch] {
          block_interruptions_in_this_thread();
          work(&pool, batch);
        });
      } catch (const std::system_error&) {
        break;  // the threads started, and this one, do the work
      }
    }
  };
  // A tree of enough members is known to be worth them from the start; a
  // smaller one may still hold enough bytes.
  bool started = !when_worth || worth_threads(count, 0);
  if (started) start_helpers();
  std::vector<unsigned char> gather(GATHER_SIZE);
  do {
    if (!started && worth_more(&pool)) {
      start_helpers();
      started = true;
    }
  } while (pack_next_batch(&pool, batch, gather.data()));
  for (std::thread& helper : helpers) helper.join();
  written->data_end = pool.next_offset;
  return pool.outcome;
}

}  // namespace blobsmith
