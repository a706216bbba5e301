// The --list --json document: a pack's header and entry table as JSON, for
// scripts.
#ifndef BLOBSMITH_INSPECT_LIST_JSON_H_
#define BLOBSMITH_INSPECT_LIST_JSON_H_

namespace blobsmith {

// Prints the listing of the pack at path on standard output as one JSON
// document on one line:
//   {"format": 1, "machine": "q5", "date": "2026-01-02", "time": "03:04",
//    "entry_count": 2, "checksum": "0x1234abcd", "entries": [{"index": 0,
//    "name": "img/logo.png", "start_block": 260, "offset": 133120,
//    "size": 10, "zeroed": false}, ...]}
// "checksum" is the file's trailing word, null when the file is too short to
// hold one after its table; date and time show a byte that is not a digit as
// "?". A name has "/" between its levels. It is valid UTF-8 with '"', "\\"
// and every control (see is_hidden_control) escaped and each byte outside
// valid UTF-8 as U+FFFD; when it does not give the stored bytes back (such a
// byte, or a stored "/"), the entry also has "name_hex", the stored bytes in
// lower-case hexadecimal. A zeroed entry has the name "" and "zeroed": true.
// A file that cannot be read as a pack prints nothing on standard output
// and one line on standard error. Returns 0, or -1 when nothing was listed.
int list_pack_json(const char* path);

}  // namespace blobsmith

#endif  // BLOBSMITH_INSPECT_LIST_JSON_H_
