// The pack's output: a temporary file beside the file it will replace,
// renamed over that file only once the pack is whole, so a run that fails
// leaves any earlier pack as it was. The temporary file has no name while it
// is written where the system allows it, so nothing is left of it when the
// process is killed; where it has one, an interruption removes it before the
// run ends.
#ifndef BLOBSMITH_PACK_OUTPUT_H_
#define BLOBSMITH_PACK_OUTPUT_H_

#include "format/pack_format.h"
#include "platform/io.h"

namespace blobsmith {

struct PackOutput {
  const char* name;                   // as the user gave it, for messages
  char final_path[PATH_BUFFER_SIZE];  // the file replaced: links followed
  char temp_path[PATH_BUFFER_SIZE];   // the file written, beside it
  bool temp_named;                    // temp_path names the file written
  int temp_slot;                      // its entry among the temporary files, or -1
  bool existed;                       // something stands at final_path
  FileStatus existing;                // what stands there, when it does
  bool existing_is_pack;              // it opens with a pack's header
  IoFile* file;                       // the temporary file while it is open
  FileIdentity temp_identity;
};

// Finds the file output_name will replace, following symbolic links, and
// what stands there now. Returns 0, or -1 after printing one line when it
// cannot be written: a path too long, a link that leads nowhere, or
// something that is not a regular file (a device, FIFO or directory: a pack
// must be sought in and read back, and renaming over a device would
// destroy it).
int find_pack_output(const char* output_name, PackOutput* output);

// Creates the temporary file beside final_path, with the permission bits of
// the file it replaces (or the usual ones for a new file), after making sure
// an interruption removes it. Returns 0, or -1 after printing one line.
int open_pack_output(PackOutput* output);

// Closes the temporary file and renames it over final_path, with no
// interruption between its getting a name and the rename. Returns 0, or -1
// after printing one line (the temporary file is then removed).
int commit_pack_output(PackOutput* output);

// Closes and removes the temporary file: the earlier pack stays.
void discard_pack_output(PackOutput* output);

// True for a bare name of the form the temporary files take:
// ".blobsmith-", sixteen lower-case hexadecimal digits, ".tmp".
bool is_temporary_pack_name(const char* name);

}  // namespace blobsmith

#endif  // BLOBSMITH_PACK_OUTPUT_H_
