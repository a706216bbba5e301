// Dependency files for a pack, in the syntax of make rules: a build reruns
// the pack when a file it packed, or a directory it walked, changes.
#ifndef BLOBSMITH_PACK_DEPFILE_H_
#define BLOBSMITH_PACK_DEPFILE_H_

#include <string>
#include <vector>

namespace blobsmith {

// Writes to *text a dependency file saying that target depends on each of
// prerequisites, in a form that GNU make (through include) and ninja (as
// depfile, with or without deps = gcc) both read back as exactly these
// paths:
//
//   target: prerequisite prerequisite ...
//   prerequisite:
//   prerequisite:
//   ...
//
// each prerequisite of the first rule on a line of its own, every line
// before it ending in a space and a backslash. The empty rule of each
// prerequisite lets a build whose prerequisite has gone run again instead
// of stopping for want of a rule to make it.
//
// In the text, a space is written "\ " (after backslashes: twice as many
// backslashes and one more), "#" is "\#", "$" is "$$" and ":" is "\:"; any
// other backslash stands as it is. With windows, "\" is a separator like
// "/", and the colon of a drive ("C:") stands as it is.
//
// A path that one of the two tools would read as something else makes the
// call fail, with that path in *bad_path and *text untouched:
// - an empty path, or one holding a control byte (a newline among them);
// - one holding any of " & ' * ; < > ? ^ ` | (ninja ends a name there),
//   "%" (a pattern for make), "=" (an assignment for make) or "[" (make may
//   read it as a pattern and find other files);
// - one beginning with "~" (a home directory for make), or ending with a
//   space (make drops it), with ":" (ninja drops it) or with "\";
// - one holding "\" just before "#", "$" or ":" (the two tools read those
//   backslashes differently);
// - one ending with ")" and holding "(" after its first byte (a member of a
//   library for make);
// - one with no separator that begins with "." and is not "." or "..", or
//   is a directive's word ("define", "include", ...): make's special
//   targets, suffix rules and directives;
// - with windows, one holding a ":" other than a drive's.
// Returns true when *text was written.
bool format_depfile(const std::string& target, const std::vector<std::string>& prerequisites,
                    bool windows, std::string* text, std::string* bad_path);

}  // namespace blobsmith

#endif  // BLOBSMITH_PACK_DEPFILE_H_
