// Usable processors on Windows: those of the process's affinity mask, in its
// processor group.
#include <windows.h>

#include "platform/processors.h"

namespace blobsmith {

int usable_processors() {
  DWORD_PTR process_mask = 0;
  DWORD_PTR system_mask = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process_mask, &system_mask)) return 1;
  int count = 0;
  for (; process_mask != 0; process_mask &= process_mask - 1) ++count;
  return count > 0 ? count : 1;
}

}  // namespace blobsmith
