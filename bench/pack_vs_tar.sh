#!/bin/sh
# Times `blobsmith --pack` and `--unpack` against `tar -cf` and `tar -xf` on
# the same two trees (about 1 GiB in 300 large files; 2000 small files in
# about 100 directories), runs alternating, and prints for each the median
# time, its spread (lowest and highest) and the ratio to tar.
#
# Usage: bench/pack_vs_tar.sh BLOBSMITH [DATA_DIR] [RUNS]
#   BLOBSMITH  the built binary
#   DATA_DIR   where the trees and outputs go (default /work/bench-data);
#              keep it outside the source tree
#   RUNS       timed runs of each command on the big tree (default 5); the
#              small tree, whose runs last a tenth of a second and vary
#              more, gets three times as many
#
# The page cache is warm: the trees are read once before timing, and each
# archive is unpacked right after it was written. Every run writes to a
# fresh path; after it, its output is written back (`sync`) and dropped
# from the page cache (bench/drop_cached.py), so every run starts from the
# same state: no run pays for another's write-back, and none draws its page
# cache from memory that was never used before (on a virtual machine such
# pages cost several times more, and later runs would be charged for the
# memory the earlier ones kept).
#
# Nothing is deleted between runs (on some file systems mass deletions slow
# file creation for minutes afterwards): the outputs stay until the end and
# are removed then, unless KEEP_OUTPUTS=1. The big tree needs about 20 GiB
# free for 5 runs; each run of the small tree leaves 4000 files to remove.
set -eu

BLOBSMITH=$(realpath "$1")
DATA_DIR=${2:-/work/bench-data}
RUNS=${3:-5}
HERE=$(dirname "$(realpath "$0")")

python3 "$HERE/make_trees.py" "$DATA_DIR"
OUT="$DATA_DIR/out.$$"
mkdir -p "$OUT"
RESULTS="$OUT/times"
: > "$RESULTS"

now_ns() { date +%s%N; }

# timed LABEL TREE OUTPUT COMMAND...: runs the command once after a sync,
# appends "LABEL TREE microseconds peak_kib" to the results, then writes
# OUTPUT back and drops it from the page cache.
timed() {
  label=$1 tree=$2 output=$3
  shift 3
  sync
  start=$(now_ns)
  /usr/bin/time -f "%M" -o "$OUT/rss" "$@" > /dev/null
  end=$(now_ns)
  echo "$label $tree $(( (end - start) / 1000 )) $(cat "$OUT/rss")" >> "$RESULTS"
  sync
  python3 "$HERE/drop_cached.py" "$output"
}

for tree in small big; do
  src="$DATA_DIR/$tree"
  # Warm the page cache with the tree, and make one archive of each kind
  # for the unpack runs (untimed).
  find "$src" -type f -exec cat {} + > /dev/null
  tar -cf "$OUT/$tree.tar" -C "$src" .
  "$BLOBSMITH" --pack -i "$src" -o "$OUT/$tree.bin" > /dev/null
  sync
  runs=$RUNS
  if [ "$tree" = small ]; then runs=$((RUNS * 3)); fi
  run=1
  while [ "$run" -le "$runs" ]; do
    # Alternate which tool goes first so neither always follows the other.
    if [ $((run % 2)) -eq 1 ]; then order="tar pack"; else order="pack tar"; fi
    for tool in $order; do
      if [ "$tool" = tar ]; then
        timed tar-c "$tree" "$OUT/$tree.$run.tar" tar -cf "$OUT/$tree.$run.tar" -C "$src" .
      else
        timed pack "$tree" "$OUT/$tree.$run.bin" "$BLOBSMITH" --pack -i "$src" -o "$OUT/$tree.$run.bin"
      fi
    done
    for tool in $order; do
      if [ "$tool" = tar ]; then
        mkdir "$OUT/$tree.$run.tar.d"
        timed tar-x "$tree" "$OUT/$tree.$run.tar.d" tar -xf "$OUT/$tree.tar" -C "$OUT/$tree.$run.tar.d"
      else
        timed unpack "$tree" "$OUT/$tree.$run.bin.d" "$BLOBSMITH" --unpack -i "$OUT/$tree.bin" -o "$OUT/$tree.$run.bin.d"
      fi
    done
    if [ "$run" -eq 1 ]; then
      # The outputs must be right for the times to mean anything.
      diff -r "$src" "$OUT/$tree.1.bin.d" > /dev/null
      diff -r "$src" "$OUT/$tree.1.tar.d" > /dev/null
      python3 "$HERE/drop_cached.py" "$OUT/$tree.1.bin.d" "$OUT/$tree.1.tar.d"
    fi
    run=$((run + 1))
  done
done

python3 "$HERE/summarize_times.py" "$RESULTS"
if [ "${KEEP_OUTPUTS:-0}" != 1 ]; then rm -rf "$OUT"; else echo "outputs kept in $OUT"; fi
