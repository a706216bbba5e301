#!/bin/sh
# Runs one black-box case against the built tool and compares what the case
# prints with the expected bytes kept beside it.
#
#   sh tests/cli/run.sh <path-to-blobsmith> <case.sh>
#
# The case runs with sh in a fresh, empty directory. It finds the tool in
# BLOBSMITH and the sample tree in EXAMPLES, and runs the tool only through
# the function bs below. Its standard output must equal <case>.stdout byte
# for byte, and it must exit with 0.
#
# Optional settings for running a Windows build:
#   BLOBSMITH_RUNNER    a command put before the tool, e.g. "wine"
#   BLOBSMITH_STRIP_CR  1: drop the CR of each CR LF the tool prints
#
# Only POSIX sh, coreutils, awk (mawk is enough), od, cmp and diff are used.

# ---- Helpers for the cases -------------------------------------------------

# Stops the case with a message on the error stream.
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Runs the tool. Its error stream goes to a log that must stay empty, and an
# exit status other than 0 is printed, so it shows in the comparison. A run
# is cut off after BS_TIMEOUT seconds (exit status 124).
bs() {
  if [ "${BLOBSMITH_STRIP_CR:-}" = 1 ]; then
    { timeout -k 5 "${BS_TIMEOUT:-120}" $BLOBSMITH_RUNNER "$BLOBSMITH" "$@" 2>>"$BS_SCRATCH/stderr"
      echo $? >"$BS_SCRATCH/status"; } | awk '{ sub(/\r$/, ""); print }'
    bs_status=$(cat "$BS_SCRATCH/status")
  else
    timeout -k 5 "${BS_TIMEOUT:-120}" $BLOBSMITH_RUNNER "$BLOBSMITH" "$@" 2>>"$BS_SCRATCH/stderr"
    bs_status=$?
  fi
  [ "$bs_status" -eq 0 ] || echo "[exit status $bs_status]"
  return 0
}

# The checksum fold written out in awk: for each byte b,
#   index = ((acc >> 8) & 0xFF) XOR b;  acc = ((acc << 8) XOR T[index]) mod 2^32
# with T the CRC-16 table of the polynomial 0x1021, most significant bit
# first. mawk has no bit operations, so XOR comes from a table of bytes.
BS_CRC_AWK='
function crc_setup(   a, b, r, bit, x, y, i, k, c) {
  for (a = 0; a < 16; a++) for (b = 0; b < 16; b++) {
    r = 0; bit = 1; x = a; y = b
    for (k = 0; k < 4; k++) {
      if (x % 2 != y % 2) r += bit
      x = int(x / 2); y = int(y / 2); bit *= 2
    }
    X4[a * 16 + b] = r
  }
  for (a = 0; a < 256; a++) for (b = 0; b < 256; b++)
    XOR8[a * 256 + b] = X4[int(a / 16) * 16 + int(b / 16)] * 16 + X4[(a % 16) * 16 + b % 16]
  for (i = 0; i < 256; i++) {
    c = i * 256
    for (k = 0; k < 8; k++) {
      if (c >= 32768) {
        c = (c * 2) % 65536
        c = XOR8[int(c / 256) * 256 + 16] * 256 + XOR8[(c % 256) * 256 + 33]
      } else {
        c = c * 2
      }
    }
    CRC_T[i] = c
  }
}
function crc_byte(acc, b,   t) {
  t = CRC_T[XOR8[(int(acc / 256) % 256) * 256 + b]]
  return (acc % 16777216) * 256 - (acc % 256) * 256 + \
         XOR8[(acc % 256) * 256 + int(t / 256)] * 256 + t % 256
}
'

# Prints the checksum of the first BYTES bytes of FILE as 0x%08x.
crc_of() {
  head -c "$2" "$1" | od -An -v -tu1 | awk "$BS_CRC_AWK"'
    BEGIN { crc_setup(); acc = 0 }
    { for (i = 1; i <= NF; i++) acc = crc_byte(acc, $i) }
    END { printf "0x%08x\n", acc }'
}

# The last 4 bytes of FILE as a little-endian word, 0x%08x.
stored_crc_of() {
  tail -c 4 "$1" | od -An -v -tu1 |
    awk '{ for (i = 1; i <= NF; i++) b[n++] = $i }
         END { if (n != 4) { print "short"; exit }
               printf "0x%08x\n", b[0] + b[1] * 256 + b[2] * 65536 + b[3] * 16777216 }'
}

# Filters the tool's output: each "crc=0x%08x" line whose value equals both
# the checksum recomputed over FILE (all but its last 4 bytes) and the word
# stored at FILE's end becomes "crc=<checked>"; otherwise the line names all
# three values, which fails the comparison.
mask_crc() {
  cat >"$BS_SCRATCH/mask_in"
  if [ -f "$1" ]; then
    mask_size=$(wc -c <"$1")
    mask_computed=$(crc_of "$1" $((mask_size - 4)))
    mask_stored=$(stored_crc_of "$1")
  else
    mask_computed=none mask_stored=none
  fi
  awk -v computed="$mask_computed" -v stored="$mask_stored" '
    /^crc=0x[0-9a-f]+$/ {
      printed = substr($0, 5)
      if (printed == computed && printed == stored && length(printed) == 10) print "crc=<checked>"
      else print "crc MISMATCH printed " printed " computed " computed " stored " stored
      next
    }
    { print }' "$BS_SCRATCH/mask_in"
}

# Describes a pack file: its length, the header fields (the date and time
# stamps only as "12 digits"), the reserved bytes, the used entries, the
# unused table slots, the data area (members contiguous in table order from
# block 260, padding zero, ending 4 bytes before the end) and the checksum.
pack_dump() {
  od -An -v -tu1 "$1" | awk "$BS_CRC_AWK"'
    function u32(o) { return B[o] + B[o + 1] * 256 + B[o + 2] * 65536 + B[o + 3] * 16777216 }
    function s32(o,   v) { v = u32(o); return v >= 2147483648 ? v - 4294967296 : v }
    function zero(from, to,   i) {  # first non-zero offset in [from, to), or -1
      for (i = from; i < to; i++) if (B[i] != 0) return i
      return -1
    }
    function text(from, len,   i, s, c) {  # bytes up to the first zero
      s = ""
      for (i = from; i < from + len; i++) {
        c = B[i]
        if (c == 0) break
        s = s ((c >= 32 && c < 127) ? sprintf("%c", c) : sprintf("\\%03o", c))
      }
      return s
    }
    { for (i = 1; i <= NF; i++) B[n++] = $i }
    END {
      print "length " n
      if (n < 133124) { print "shorter than the table"; exit }
      printf "magic %s fixed %d %d word12 %d count %d mode %d tail 0x%08x\n", \
        text(0, 4), u32(4), u32(8), u32(12), s32(28), u32(32), u32(508)
      digits = 1
      for (i = 16; i < 28; i++) if (B[i] < 48 || B[i] > 57) digits = 0
      print (digits ? "stamp 12 digits" : "stamp not digits")
      m = text(48, 8)
      z = zero(48 + length(m), 56)
      print "machine \"" m "\"" (z < 0 ? " zero-filled" : " non-zero byte at " z)
      z = zero(36, 48); if (z < 0) z = zero(56, 508); if (z < 0) z = zero(512, 2048)
      print (z < 0 ? "reserved bytes zero" : "reserved byte non-zero at " z)
      count = s32(28)
      used = (count < 0 ? 0 : (count > 2048 ? 2048 : count))
      next_block = 260
      layout = ""
      for (e = 0; e < used; e++) {
        o = 2048 + e * 64
        name = text(o, 56)
        start = u32(o + 56); size = s32(o + 60)
        note = ""
        if (length(name) == 56) note = " unterminated"
        else if (zero(o + length(name), o + 56) >= 0) note = " bytes after the name"
        printf "entry %d \"%s\" start %d size %d%s\n", e, name, start, size, note
        if (zero(o, o + 64) < 0) continue  # a source that could not be opened
        if (start != next_block)
          layout = layout sprintf("entry %d starts at block %d, expected %d\n", e, start, next_block)
        blocks = (size > 0) ? int((size + 511) / 512) : 0
        z = zero(start * 512 + size, (start + blocks) * 512)
        if (size > 0 && z >= 0) layout = layout sprintf("entry %d padding non-zero at %d\n", e, z)
        next_block = start + blocks
      }
      z = zero(2048 + used * 64, 133120)
      print (z < 0 ? "unused slots zero" : "unused slot byte non-zero at " z)
      if (next_block * 512 + 4 != n)
        layout = layout sprintf("data ends at %d, file length %d\n", next_block * 512, n)
      printf "%s", (layout == "" ? "data contiguous, padding zero\n" : layout)
      crc_setup(); acc = 0
      for (i = 0; i < n - 4; i++) acc = crc_byte(acc, B[i])
      printf "checksum %s\n", (acc == u32(n - 4) ? "matches" : sprintf("0x%08x stored 0x%08x", acc, u32(n - 4)))
    }'
}

# COUNT bytes of FILE from OFFSET in hexadecimal, on one line.
hex_at() {
  od -An -v -tx1 -j "$2" -N "$3" "$1" |
    awk '{ for (i = 1; i <= NF; i++) { printf "%s%s", sep, $i; sep = " " } } END { print "" }'
}

# The 12 stamp digits of a pack (date and time, no separators).
stamp_of() {
  head -c 28 "$1" | tail -c 12
}

# Checks each member of PACK against the file SOURCE_DIR/<name>: its bytes
# at start_block * 512 and its length. Prints one line per failure.
check_members() {
  od -An -v -tu1 -j 2048 -N 131072 "$1" | awk '
    { for (i = 1; i <= NF; i++) B[n++] = $i }
    END {
      for (e = 0; e < 2048; e++) {
        o = e * 64; name = ""
        for (i = o; i < o + 55 && B[i] != 0; i++) name = name sprintf("%c", B[i])
        if (name == "") continue
        start = B[o + 56] + B[o + 57] * 256 + B[o + 58] * 65536 + B[o + 59] * 16777216
        size = B[o + 60] + B[o + 61] * 256 + B[o + 62] * 65536 + B[o + 63] * 16777216
        gsub(/\\/, "/", name)
        print start, size, name
      }
    }' >"$BS_SCRATCH/members"
  while read -r member_start member_size member_name; do
    if ! tail -c +$((member_start * 512 + 1)) "$1" | head -c "$member_size" |
        cmp -s - "$2/$member_name"; then
      echo "member $member_name differs from its source"
    fi
    if [ "$(wc -c <"$2/$member_name")" -ne "$member_size" ]; then
      echo "member $member_name has size $member_size"
    fi
  done <"$BS_SCRATCH/members"
}

# Files and directories below DIR, one a line, sorted bytewise, with a
# trailing "/" on directories and " -> target" on symbolic links.
tree_of() {
  tree_walk "$1" "" | LC_ALL=C sort
}
tree_walk() (
  ls -A "$1" | while IFS= read -r tree_entry; do
    if [ -L "$1/$tree_entry" ]; then
      echo "$2$tree_entry -> $(readlink "$1/$tree_entry")"
    elif [ -d "$1/$tree_entry" ]; then
      echo "$2$tree_entry/"
      tree_walk "$1/$tree_entry" "$2$tree_entry/"
    else
      echo "$2$tree_entry"
    fi
  done
)

# True when two packs are equal apart from their date and time stamps and
# their checksums, which follow from the minute of packing.
same_pack() {
  same_size=$(wc -c <"$1")
  [ "$same_size" -eq "$(wc -c <"$2")" ] && [ "$same_size" -ge 32 ] &&
    cmp -s -n 16 "$1" "$2" &&
    cmp -s -i 28 -n $((same_size - 32)) "$1" "$2"
}

# Writes BYTES at OFFSET of FILE in place (printf escapes allowed).
patch_at() {
  printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc 2>/dev/null
}

# Everything above is what a case sources; the runner follows.
if [ "${BS_HELPERS_ONLY:-}" = 1 ]; then
  return 0
fi

# ---- The runner ----------------------------------------------------------

if [ $# -ne 2 ]; then
  echo "usage: sh $0 <path-to-blobsmith> <case.sh>" >&2
  exit 2
fi
case $1 in
  /*) BLOBSMITH=$1 ;;
  *) BLOBSMITH=$(pwd)/$1 ;;
esac
case_dir=$(cd "$(dirname "$2")" && pwd) || exit 2
case_file=$case_dir/$(basename "$2")
expected=${case_file%.sh}.stdout
self_dir=$(cd "$(dirname "$0")" && pwd) || exit 2
self=$self_dir/$(basename "$0")
EXAMPLES=$(cd "$self_dir/../../examples/res" && pwd) || exit 2
[ -f "$case_file" ] || { echo "no case $case_file" >&2; exit 2; }
[ -f "$expected" ] || { echo "no expected output $expected" >&2; exit 2; }

BLOBSMITH_RUNNER=${BLOBSMITH_RUNNER:-}
BS_SCRATCH=$(mktemp -d) || exit 2
# Cases may leave directories without write permission.
trap 'chmod -R u+rwx "$BS_SCRATCH" 2>/dev/null; rm -rf "$BS_SCRATCH"' EXIT
trap 'exit 130' INT TERM
mkdir "$BS_SCRATCH/work" || exit 2
: >"$BS_SCRATCH/stderr"
export BLOBSMITH BLOBSMITH_RUNNER EXAMPLES BS_SCRATCH

(cd "$BS_SCRATCH/work" &&
  BS_HELPERS_ONLY=1 sh -c '. "$1"; BS_HELPERS_ONLY=; . "$2"' sh "$self" "$case_file") \
  >"$BS_SCRATCH/stdout"
case_status=$?

result=0
if [ "$case_status" -ne 0 ]; then
  echo "case exited with status $case_status" >&2
  result=1
fi
if ! cmp -s "$BS_SCRATCH/stdout" "$expected"; then
  echo "standard output differs from $(basename "$expected"):" >&2
  diff "$expected" "$BS_SCRATCH/stdout" >&2
  result=1
fi
# Wine prints its own notes on the error stream, so only a native run is held
# to an empty one.
if [ -z "$BLOBSMITH_RUNNER" ] && [ -s "$BS_SCRATCH/stderr" ]; then
  echo "the tool wrote to its error stream:" >&2
  cat "$BS_SCRATCH/stderr" >&2
  result=1
fi
exit $result
