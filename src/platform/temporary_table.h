// The table of temporary files behind platform/interruptions.h, shared by
// each platform's handler. Entries are changed only while interruptions are
// held, so a handler never sees one half written; it reads every slot in use.
#ifndef BLOBSMITH_PLATFORM_TEMPORARY_TABLE_H_
#define BLOBSMITH_PLATFORM_TEMPORARY_TABLE_H_

#include <csignal>
#include <cstring>

#include "platform/interruptions.h"

namespace blobsmith {

struct TemporaryTable {
  volatile std::sig_atomic_t in_use[MAX_TEMPORARIES];
  char paths[MAX_TEMPORARIES][TEMPORARY_PATH_SIZE];
};

inline int table_remember(TemporaryTable* table, const char* path) {
  const size_t length = std::strlen(path);
  if (length >= TEMPORARY_PATH_SIZE) return -1;
  for (int slot = 0; slot < MAX_TEMPORARIES; ++slot) {
    if (table->in_use[slot] != 0) continue;
    std::memcpy(table->paths[slot], path, length + 1);
    table->in_use[slot] = 1;
    return slot;
  }
  return -1;
}

inline void table_forget(TemporaryTable* table, const int slot) {
  if (slot >= 0 && slot < MAX_TEMPORARIES) table->in_use[slot] = 0;
}

}  // namespace blobsmith

#endif  // BLOBSMITH_PLATFORM_TEMPORARY_TABLE_H_
