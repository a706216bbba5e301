#!/bin/sh
# Packs and unpacks the same trees with the Linux build and the Windows build
# of the tool and checks that both give the same pack images (the date and
# time stamps and the checksum that follows from them aside, unless both
# runs fell in the same minute), the same console text and the same
# extracted trees.
#
#   sh tests/windows/same_as_linux.sh <linux blobsmith> <blobsmith.exe>
#
# BLOBSMITH_RUNNER is put before the Windows program (e.g. "wine"). The
# carriage return that the Windows runtime puts before each line feed on
# the console is dropped before comparing, nothing else.

if [ $# -ne 2 ]; then
  echo "usage: sh $0 <linux blobsmith> <blobsmith.exe>" >&2
  exit 2
fi
linux_tool=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
windows_tool=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
scratch=$(mktemp -d) || exit 2
trap 'rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM
cd "$scratch" || exit 2
export TZ=UTC
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# run_linux OUT ARGS...: the Linux tool's output into OUT.
run_linux() {
  run_out=$1
  shift
  "$linux_tool" "$@" >"$run_out" 2>>stderr.log || fail "linux run exited with $?: $*"
}

# run_windows OUT ARGS...: the Windows tool's output, with the console's CR
# before each LF removed, into OUT.
run_windows() {
  run_out=$1
  shift
  $BLOBSMITH_RUNNER "$windows_tool" "$@" >"$run_out.raw" 2>>stderr.log ||
    fail "windows run exited with $?: $*"
  awk '{ sub(/\r$/, ""); print }' "$run_out.raw" >"$run_out"
  # Every line the tool prints ends in CR LF on this console, and a bare LF
  # would mean the output was written in some other way.
  if [ -s "$run_out.raw" ] && [ "$(tr -cd '\r' <"$run_out.raw" | wc -c)" -ne "$(wc -l <"$run_out.raw")" ]; then
    fail "windows output of $* does not end each line in CR LF"
  fi
}

# A byte pattern that differs with its seed: make_file PATH SIZE SEED.
make_file() {
  mkdir -p "$(dirname "$1")"
  awk -v size="$2" -v seed="$3" 'BEGIN {
    state = seed * 7919 + 1
    for (i = 0; i < size; i++) {
      state = (state * 1103 + 12345) % 65521
      printf "%c", 32 + state % 90
    }
  }' >"$1"
  [ "$(wc -c <"$1")" -eq "$2" ] || { echo "could not make $1" >&2; exit 2; }
}

# Files and directories below DIR, one a line, "/" after directories.
tree_list() {
  (cd "$1" && find . -mindepth 1 \( -type d -printf '%P/\n' \) -o -printf '%P\n') | LC_ALL=C sort
}

# same_image A B: equal but for the stamps (bytes 16 to 27) and the
# trailing checksum.
same_image() {
  size_a=$(wc -c <"$1")
  [ "$size_a" -eq "$(wc -c <"$2")" ] && [ "$size_a" -ge 32 ] &&
    cmp -s -n 16 "$1" "$2" &&
    cmp -s -i 28 -n $((size_a - 32)) "$1" "$2"
}

stamp_of() { head -c 28 "$1" | tail -c 12; }

# ---- A tree with levels, block edges, letter case, ignored and too-long
# names, a link to a file and a link that loops back to an ancestor.
make_file res/a.txt 6 1
make_file res/B.txt 700 2
make_file res/_under 1 3
make_file res/s511 511 4
make_file res/s512 512 5
make_file res/s513 513 6
make_file res/Sub/empty 0 7
make_file res/img/logo.png 1300 8
make_file res/img/Zeta/deep/x.bin 1024 9
make_file res/img/zeta2/y.bin 2049 10
make_file res/.svn/entries 40 11
make_file res/img/.svn/entries 41 12
make_file res/long/this_name_is_far_too_long_for_the_fifty_five_byte_field.txt 5 13
make_file res/long/short.txt 5 14
mkdir -p res/emptydir
ln -s a.txt res/link.txt
ln -s .. res/img/loop

run_linux pack_linux_1.out --pack -o linux.bin -i res -g .svn -m abc
run_windows pack_windows.out --pack -o windows.bin -i res -g .svn -m abc
run_linux pack_linux_2.out --pack -o linux2.bin -i res -g .svn -m abc

for image in linux.bin windows.bin; do
  [ -f $image ] || fail "$image was not written"
done
if [ -f linux.bin ] && [ -f windows.bin ]; then
  # The run on Windows lies between the two Linux runs: unless it took a
  # minute or more, its stamp is that of one of them.
  if [ "$(stamp_of windows.bin)" = "$(stamp_of linux.bin)" ]; then
    twin=linux.bin twin_out=pack_linux_1.out
  elif [ "$(stamp_of windows.bin)" = "$(stamp_of linux2.bin)" ]; then
    twin=linux2.bin twin_out=pack_linux_2.out
  else
    twin= twin_out=
  fi
  if [ -n "$twin" ]; then
    cmp windows.bin $twin >&2 || fail "pack images differ"
    cmp pack_windows.out $twin_out >/dev/null ||
      { diff pack_linux_1.out pack_windows.out >&2; fail "pack output differs"; }
  else
    echo "note: the runs fell in different minutes; stamps and checksum not compared" >&2
    same_image windows.bin linux.bin || fail "pack images differ beyond stamps and checksum"
    grep -v '^crc=' pack_linux_1.out >linux.masked
    grep -v '^crc=' pack_windows.out >windows.masked
    cmp -s linux.masked windows.masked ||
      { diff linux.masked windows.masked >&2; fail "pack output differs"; }
  fi
  # The comparison means something only if the pack holds the tree.
  grep -q 'this_name_is_far_too_long' pack_windows.out || fail "no too-long-path line on Windows"
  [ "$(wc -c <windows.bin)" -gt 140000 ] || fail "the Windows pack holds too little"
fi

# ---- Each build unpacks the other's pack; both give the same tree, which
# is the packed tree without what was left out.
run_windows unpack_windows.out --unpack -i linux.bin -o out_windows
run_linux unpack_linux.out --unpack -i windows.bin -o out_linux
cmp -s unpack_linux.out unpack_windows.out ||
  { diff unpack_linux.out unpack_windows.out >&2; fail "unpack output differs"; }
tree_list out_linux >tree_linux
tree_list out_windows >tree_windows
cmp -s tree_linux tree_windows || { diff tree_linux tree_windows >&2; fail "extracted trees differ"; }
diff -r out_linux out_windows >&2 || fail "extracted files differ"
for member in a.txt B.txt _under s511 s512 s513 Sub/empty img/logo.png img/Zeta/deep/x.bin \
    img/zeta2/y.bin long/short.txt link.txt; do
  cmp -s "res/$member" "out_windows/$member" || fail "out_windows/$member is not res/$member"
done
[ "$(wc -l <tree_windows)" -eq 18 ] || { cat tree_windows >&2; fail "unexpected extracted tree"; }

# ---- Sources of 2 GiB and of 4 GiB and a little are refused with the same
# line on both builds; a 32-bit size would have wrapped the second to 100.
mkdir -p big
make_file big/small.txt 10 15
if truncate -s 2147483648 big/two_gib && truncate -s 4294967396 big/four_gib_and_100; then
  run_linux big_linux.out --pack -o big_linux.bin -i big
  run_windows big_windows.out --pack -o big_windows.bin -i big
  cmp -s big_linux.out big_windows.out ||
    { diff big_linux.out big_windows.out >&2; fail "output for large sources differs"; }
  grep -q '^four_gib_and_100 is too large for a pack file, skipped !!!$' big_windows.out ||
    fail "4 GiB source not refused on Windows"
  grep -q '^two_gib is too large for a pack file, skipped !!!$' big_windows.out ||
    fail "2 GiB source not refused on Windows"
  same_image big_linux.bin big_windows.bin || fail "pack images with large sources differ"
else
  echo "note: no room for sparse large files; large sources not checked" >&2
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "Linux and Windows builds agree"
