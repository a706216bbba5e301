#!/bin/bash
# Measures `blobsmith --pack` and `--unpack` against `tar -cf` and `tar -xf`
# in four sections (a fifth on request), with blobsmith at `-j 1` and at its default thread count
# (one per usable processor packing, two unpacking, at most 8; one thread
# until 128 members or 4 MiB):
#
#  1. Warm page cache. ../shared/tools/perf-vs-tar.py (relative to the
#     repository root) over ROUNDS rounds, once with `-j 1` and once with the
#     default, against the goals in GOALS below. That tool makes two trees
#     under /tmp/bars-perf (big256: 256 MiB of 1 to 4 MiB files; small: 2000
#     files of 0 to 16 KiB in 100 directories), alternates which tool goes
#     first each round, writes the small tree's outputs to a fresh
#     loop-mounted ext4, removes and syncs the big tree's outputs each round,
#     and prints the median of the per-round ratios (blobsmith's time / tar's;
#     below 1 is faster than tar).
#  2. Page cache dropped. `--pack` of the big tree at `-j 1` and at the
#     default, and `tar -cf` of it, each run after its output is removed,
#     `sync` and a drop of the page cache (root only). The order rotates
#     each round; the figure is the median of the per-round ratios to tar.
#     On a virtual machine the host may still hold the virtual disk's blocks
#     in its own cache, so reads need not reach a physical disk.
#  3. System calls. `strace -f -c` of one `--pack` and one `--unpack` of the
#     small tree at `-j 1` and at the default, and of `tar -cf` / `tar -xf`:
#     total calls, calls per file and the calls made most often.
#  4. Peak memory (maximum resident set) of `--pack` and `--unpack` of the big
#     tree at the default; the goal is at most 16 MiB.
#  5. Thread counts (only when asked for in SECTIONS): section 1 at each of
#     `-j 1`, 2, 4 and 8, to see where more threads stop paying.
#
# Before timing, each thread setting packs and unpacks the small tree once
# and the result is compared with the tree (`diff -r`); a setting that fails
# is reported and left out, since perf-vs-tar.py would time a failing run as
# a fast one.
#
# Usage: bench/pack_vs_tar.sh BLOBSMITH [ROUNDS]
#   BLOBSMITH  the built binary (a Release build)
#   ROUNDS     rounds of sections 1, 2 and 5 (default 9)
# Environment:
#   PERF_VS_TAR  perf-vs-tar.py to use instead of ../shared/tools/perf-vs-tar.py
#   SECTIONS     the sections to run (default "1 2 3 4"), e.g. SECTIONS=3
#   THREADS      the thread counts of section 5 (default "1 2 4 8")
#   PERF_ARGS    more options for perf-vs-tar.py, e.g. --small-only for a
#                short trial
#
# Every section runs whatever the others found. Exit status: 1 when the default
# run of section 1 misses a goal, 2 when a setting cannot be measured at all,
# else 0.
set -u
export LC_ALL=C

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: bench/pack_vs_tar.sh BLOBSMITH [ROUNDS]"
  exit 2
fi
BLOBSMITH=$(realpath "$1")
ROUNDS=${2:-9}
SECTIONS=${SECTIONS:-1 2 3 4}
REPO=$(dirname "$(dirname "$(realpath "$0")")")
PERF_VS_TAR=${PERF_VS_TAR:-$REPO/../shared/tools/perf-vs-tar.py}
GOALS="--goal pack_small=0.5 --goal unpack_small=0.45 --goal pack_big=0.45 --goal unpack_big=0.4"
MEMORY_GOAL_MIB=16

if [ ! -f "$PERF_VS_TAR" ]; then
  echo "$PERF_VS_TAR missing: set PERF_VS_TAR to the path of perf-vs-tar.py !!!"
  exit 2
fi
if [ ! -x "$BLOBSMITH" ]; then
  echo "$BLOBSMITH is not an executable file !!!"
  exit 2
fi

# The trees perf-vs-tar.py makes (its default big tree of 256 MiB).
TREES=/tmp/bars-perf
BIG=$TREES/big256
SMALL=$TREES/small
WORK=$TREES/pack_vs_tar.$$
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK"

status=0
section() { case " $SECTIONS " in *" $1 "*) return 0 ;; esac; return 1; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# A thread setting is named "default" (no -j) or "jN" (-j N).
opts() { if [ "$1" != default ]; then echo "-j ${1#j}"; fi; }
label() { if [ "$1" = default ]; then echo default; else opts "$1"; fi; }

echo "blobsmith: $BLOBSMITH"
echo "machine: $(nproc) usable processors, so the default is $(($(nproc) < 8 ? $(nproc) : 8)) threads" \
  "packing, $((2 * $(nproc) < 8 ? 2 * $(nproc) : 8)) unpacking, from 128 members or 4 MiB; $(uname -sr)"
if ! "$BLOBSMITH" --help | grep -q -- '-j N'; then
  echo "$BLOBSMITH lists no -j N in its help: runs with -j 1 will fail !!!"
fi

# perf-vs-tar.py makes the trees on its first run; when section 1 is not run,
# or runs on the small tree alone, one untimed round makes them.
if [ ! -e "$BIG/res.done" ] || [ ! -e "$SMALL/res.done" ]; then
  echo "making the trees under $TREES (one untimed round of perf-vs-tar.py)"
  python3 "$PERF_VS_TAR" "$BLOBSMITH" --rounds 1 > /dev/null
fi
FILES=$(find "$SMALL/res" -type f | wc -l)

# sound SETTING: whether blobsmith at SETTING packs and unpacks the small
# tree intact; says so when it does not.
sound() {
  rm -rf "$WORK/check"
  mkdir "$WORK/check"
  # shellcheck disable=SC2046 # opts gives zero or two words
  if (cd "$SMALL" && "$BLOBSMITH" --pack $(opts "$1") -i res -o "$WORK/check/res.bin" > "$WORK/check/out" \
    && "$BLOBSMITH" --unpack $(opts "$1") -i "$WORK/check/res.bin" -o "$WORK/check/res" > "$WORK/check/out" \
    && diff -r res "$WORK/check/res" > /dev/null); then
    rm -rf "$WORK/check"
    return 0
  fi
  echo "blobsmith $(label "$1"): packing and unpacking the small tree failed; left out !!!"
  sed 's/^/  /' "$WORK/check/out"
  rm -rf "$WORK/check"
  status=2
  return 1
}

# The settings of sections 1 to 4 that work.
working=""
for s in j1 default; do
  if sound "$s"; then working="$working $s"; fi
done

if section 1; then
  echo
  echo "== 1. Page cache warm: perf-vs-tar.py, $ROUNDS rounds, median of per-round ratios (blobsmith / tar)"
  for s in $working; do
    # shellcheck disable=SC2086,SC2046 # GOALS, PERF_ARGS and opts are word lists
    line=$(python3 "$PERF_VS_TAR" "$BLOBSMITH" --rounds "$ROUNDS" $GOALS ${PERF_ARGS:-} -- $(opts "$s"))
    code=$?
    printf '%-9s %s\n' "$(label "$s"):" "$line"
    if [ "$s" = default ] && [ "$code" -ne 0 ] && [ "$status" -eq 0 ]; then status=1; fi
  done
fi

# cold_pack_us ENTRANT: removes the last output, syncs, drops the page cache,
# then runs ENTRANT's pack of the big tree and prints its wall time in
# microseconds (nothing, and failure, when the run fails).
cold_pack_us() {
  rm -rf "$WORK/cold"
  mkdir "$WORK/cold"
  sync
  echo 3 > /proc/sys/vm/drop_caches
  (
    cd "$BIG" || exit 1
    start=${EPOCHREALTIME/./}
    if [ "$1" = tar ]; then
      tar -cf "$WORK/cold/out" res || exit 1
    else
      # shellcheck disable=SC2046
      "$BLOBSMITH" --pack $(opts "$1") -i res -o "$WORK/cold/out" > /dev/null || exit 1
    fi
    end=${EPOCHREALTIME/./}
    echo $((end - start))
  )
}

if section 2; then
  echo
  echo "== 2. Page cache dropped before each run: --pack of the big tree against tar -cf, $ROUNDS rounds"
  if [ "$(id -u)" -ne 0 ]; then
    echo "dropping the page cache needs root: skipped"
  else
    entrants="tar$working"
    n=$(echo "$entrants" | wc -w)
    declare -A times ratios
    for e in $entrants; do times[$e]="" ratios[$e]=""; done
    failed=""
    for ((r = 0; r < ROUNDS; r++)); do
      # Rotate the order: each entrant goes first in turn.
      declare -A this
      for ((k = 0; k < n; k++)); do
        e=$(echo "$entrants" | awk -v i=$(((r + k) % n + 1)) '{ print $i }')
        if ! this[$e]=$(cold_pack_us "$e"); then failed="$failed $e"; fi
        times[$e]="${times[$e]} ${this[$e]}"
      done
      if [ -n "$failed" ]; then break; fi
      for s in $working; do ratios[$s]="${ratios[$s]} $(awk -v a="${this[$s]}" -v b="${this[tar]}" 'BEGIN { print a / b }')"; done
    done
    rm -rf "$WORK/cold"
    if [ -n "$failed" ]; then
      echo "a run failed:$failed !!!"
      status=2
    else
      tar_s=$(echo "${times[tar]}" | tr ' ' '\n' | grep . | median)
      printf '%-9s median %.3f s\n' "tar -cf:" "$(awk -v t="$tar_s" 'BEGIN { print t / 1e6 }')"
      for s in $working; do
        t=$(echo "${times[$s]}" | tr ' ' '\n' | grep . | median)
        q=$(echo "${ratios[$s]}" | tr ' ' '\n' | grep . | median)
        printf '%-9s median %.3f s, median of per-round ratios %.2f\n' "$(label "$s"):" \
          "$(awk -v t="$t" 'BEGIN { print t / 1e6 }')" "$q"
      done
    fi
  fi
fi

# syscalls LABEL DIR COMMAND...: counts COMMAND's system calls (run in DIR,
# threads included) and prints the total, the total per file of the small
# tree, the failed calls and the five calls made most often.
syscalls() {
  what=$1 dir=$2
  shift 2
  if ! (cd "$dir" && strace -f -q -c -S calls -o "$WORK/strace" "$@" > /dev/null); then
    echo "$what: the run failed !!!"
    status=2
    return
  fi
  awk -v what="$what" -v files="$FILES" '
    /^-/ { rule++; next }
    rule == 1 && NF >= 5 && n < 5 { top = top sprintf("%s %s %d", n ? "," : "", $NF, $4); n++ }
    $NF == "total" { total = $4; failed = NF == 6 ? $5 : 0 }
    END { printf "%-16s %6d calls, %5.2f per file, %d failed; most:%s\n", what ":", total, total / files, failed, top }
  ' "$WORK/strace"
}

if section 3; then
  echo
  echo "== 3. System calls (strace -f -c) on the small tree, $FILES files"
  if ! command -v strace > /dev/null; then
    echo "strace is not installed: skipped"
  else
    mkdir -p "$WORK/sys/tar.x"
    syscalls "tar -cf" "$SMALL" tar -cf "$WORK/sys/res.tar" res
    syscalls "tar -xf" "$WORK/sys/tar.x" tar -xf "$WORK/sys/res.tar"
    for s in $working; do
      # shellcheck disable=SC2046
      syscalls "--pack $(label "$s")" "$SMALL" "$BLOBSMITH" --pack $(opts "$s") -i res -o "$WORK/sys/$s.bin"
      # shellcheck disable=SC2046
      syscalls "--unpack $(label "$s")" "$WORK/sys" "$BLOBSMITH" --unpack $(opts "$s") -i "$s.bin" -o "$s.d"
    done
    rm -rf "$WORK/sys"
  fi
fi

# peak_kib DIR COMMAND...: runs COMMAND in DIR and prints its maximum resident
# set in KiB (nothing, and failure, when the run fails).
peak_kib() {
  (
    cd "$1" || exit 1
    shift
    if [ -x /usr/bin/time ]; then
      /usr/bin/time -f %M -o "$WORK/rss" "$@" > /dev/null || exit 1
      cat "$WORK/rss"
    else
      python3 -c 'import resource, subprocess, sys
code = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL).returncode
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
sys.exit(code)' "$@"
    fi
  )
}

if section 4; then
  echo
  echo "== 4. Peak memory at the default thread count, big tree (goal: at most $MEMORY_GOAL_MIB MiB)"
  mkdir -p "$WORK/mem"
  for run in pack unpack; do
    if [ $run = pack ]; then
      kib=$(peak_kib "$BIG" "$BLOBSMITH" --pack -i res -o "$WORK/mem/res.bin")
    else
      kib=$(peak_kib "$WORK/mem" "$BLOBSMITH" --unpack -i res.bin -o res)
    fi
    if [ -z "$kib" ]; then
      echo "--$run: the run failed !!!"
      status=2
      continue
    fi
    awk -v what="--$run:" -v k="$kib" -v goal="$MEMORY_GOAL_MIB" \
      'BEGIN { printf "%-10s %.1f MiB%s\n", what, k / 1024, (k > goal * 1024 ? "  ABOVE GOAL" : "") }'
  done
  if [ -d "$WORK/mem/res" ] && ! diff -r "$BIG/res" "$WORK/mem/res" > /dev/null; then
    echo "the big tree unpacked differs from its source !!!"
    status=2
  fi
  rm -rf "$WORK/mem"
fi

if section 5; then
  echo
  echo "== 5. Thread counts: perf-vs-tar.py at -j N, $ROUNDS rounds each"
  for n in ${THREADS:-1 2 4 8}; do
    if sound "j$n"; then
      # shellcheck disable=SC2086 # GOALS and PERF_ARGS are word lists
      printf '%-9s %s\n' "-j $n:" "$(python3 "$PERF_VS_TAR" "$BLOBSMITH" --rounds "$ROUNDS" $GOALS ${PERF_ARGS:-} -- -j "$n")"
    fi
  done
fi

exit "$status"
