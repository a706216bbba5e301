// The steps of extracting one member, shared by the extractor that works
// through the members in table order and the one that works with several
// threads. The steps print nothing: each adds its lines to the member's own
// lines, which the extractor prints in member order.
#ifndef BLOBSMITH_UNPACK_EXTRACTION_H_
#define BLOBSMITH_UNPACK_EXTRACTION_H_

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "format/pack_format.h"
#include "platform/io.h"

namespace blobsmith {

// A name of 55 characters has at most 28 levels.
constexpr int MAX_LEVELS = PACK_NAME_FIELD_SIZE / 2;

// A member's name cut into its levels and its leaf.
struct MemberPath {
  char levels[MAX_LEVELS][PACK_NAME_FIELD_SIZE];
  int level_count;
  char leaf[PACK_NAME_FIELD_SIZE];
};

// Cuts name at every separator; empty levels (doubled separators) add
// nothing.
void split_name(const char* name, MemberPath* path);

// Every file and directory this run made or wrote, and the entry it made
// it for: a member that meets one of them would overwrite an earlier
// member. Known by identity, so names the file system folds together
// (letter case, and on some systems far more) are caught as well.
using MadeObjects = std::map<std::pair<uint64_t, uint64_t>, int32_t>;

// Where files are made through Windows' rules for names, the same told by
// rule before anything is made: the file key (name_file_key) of every
// member written, and of every directory level it needed, with the entry
// that came first.
using MadeKeys = std::map<std::string, int32_t>;

struct Extraction {
  const char* pack_path;
  const char* out_dir;
  IoFile* pack;
  FileStatus pack_status;
  OutDir* root;  // out_dir, opened for the first member that needs it
  bool root_failed;
  const unsigned char* table;  // the entry images, for the names of earlier members
  // Several threads read the pack at once: reads, and the writes of the
  // members, then go by offset.
  bool positional_reads;
  // The file keys of a member are entered when its name is checked, not
  // when it is made, so they do not depend on which thread makes what first.
  bool keys_at_check;
  std::mutex made_mutex;  // guards made (the keys are used by one thread)
  MadeObjects made;
  MadeKeys file_keys;
  MadeKeys level_keys;
};

// Checks the member's name (a terminator, no unsafe level, a path that
// fits, Windows' rules where they hold), opens out_dir for the first member
// that passes, and cuts the name into path. Returns false after adding the
// member's line (none when out_dir already failed for an earlier member).
bool check_member(Extraction* x, const PackEntry& entry, bool terminated, int32_t index,
                  MemberPath* path, std::string* lines);

// Opens level k of the member's path inside parent, making it when missing,
// and enters it among the objects made. Returns nullptr after adding the
// member's line: an earlier member's file stands there, a link or special
// file does, or it cannot be opened.
OutDir* open_member_level(Extraction* x, OutDir* parent, const MemberPath& path, int k,
                          const char* name, int32_t index, std::string* lines);

// One thread's window on the pack, for reads by offset: the members of one
// directory usually lie one after another, so one read serves several.
struct PackWindow {
  std::vector<unsigned char> bytes;  // IO_BUFFER_SIZE once first used
  int64_t start = 0;
  size_t length = 0;
};

// Makes the member's file inside dir (its last level) and copies its bytes
// from the pack, through window when one is given (reads by offset only).
// Returns false after adding the member's lines.
bool write_member_file(Extraction* x, OutDir* dir, const MemberPath& path, const PackEntry& entry,
                       int32_t index, std::string* lines, PackWindow* window = nullptr);

}  // namespace blobsmith

#endif  // BLOBSMITH_UNPACK_EXTRACTION_H_
