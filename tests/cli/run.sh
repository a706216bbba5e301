#!/bin/sh
# Runs one black-box case against the built tool and compares what the case
# prints with the expected bytes kept beside it:
#
#   sh tests/cli/run.sh <path-to-blobsmith> <case.sh>
#
# The case runs with sh in a fresh, empty directory, finds the sample tree
# in EXAMPLES and runs the tool only through bs, which prints "[exit N]"
# after a run that ends with a status N other than 0, drops the CR of a
# Windows build's CR LF, and shows each usage box as one line "[<mode> usage
# box]" (the case that sets BS_KEEP_BOXES=1 compares the boxes themselves).
# The output must equal <case>.stdout byte for byte, and the tool must write
# nothing to its error stream. BS_UPDATE=1 writes the output to
# <case>.stdout instead; BLOBSMITH_RUNNER is put before the tool (wine).

bs() {
  timeout -k 5 "${BS_TIMEOUT:-120}" $BLOBSMITH_RUNNER "$BLOBSMITH" "$@" \
    2>>"$BS_SCRATCH/stderr" >"$BS_SCRATCH/out"
  bs_status=$?
  tr -d '\r' <"$BS_SCRATCH/out" | if [ "${BS_KEEP_BOXES:-}" = 1 ]; then cat; else awk '
    /^=+$/ && !inside { inside = 1; next }
    inside && /^\| blobsmith --[a-z]+ / { mode = $3 }
    inside && /^=+$/ { print "[" mode " usage box]"; inside = 0; next }
    !inside { print }'
  fi
  [ "$bs_status" -eq 0 ] || echo "[exit $bs_status]"
}

[ "${BS_HELPERS_ONLY:-}" = 1 ] && return 0
[ $# -eq 2 ] || { echo "usage: sh $0 <path-to-blobsmith> <case.sh>" >&2; exit 2; }
case $1 in
  /*) BLOBSMITH=$1 ;;
  *) BLOBSMITH=$(pwd)/$1 ;;
esac
case_file=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
expected=${case_file%.sh}.stdout
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
EXAMPLES=$(cd "$(dirname "$0")/../../examples/res" && pwd) || exit 2
BLOBSMITH_RUNNER=${BLOBSMITH_RUNNER:-}
BS_SCRATCH=$(mktemp -d) || exit 2
trap 'chmod -R u+rwx "$BS_SCRATCH" 2>/dev/null; rm -rf "$BS_SCRATCH"' EXIT
mkdir "$BS_SCRATCH/work" && : >"$BS_SCRATCH/stderr" || exit 2
export BLOBSMITH BLOBSMITH_RUNNER EXAMPLES BS_SCRATCH

(cd "$BS_SCRATCH/work" && BS_HELPERS_ONLY=1 sh -c '. "$1"; BS_HELPERS_ONLY=; . "$2"' sh \
  "$self" "$case_file") >"$BS_SCRATCH/stdout"
result=$?
[ "$result" -eq 0 ] || echo "case exited with status $result" >&2
[ "${BS_UPDATE:-}" = 1 ] && cp "$BS_SCRATCH/stdout" "$expected"
if ! cmp -s "$BS_SCRATCH/stdout" "$expected"; then
  echo "standard output differs from $(basename "$expected"):" >&2
  diff "$expected" "$BS_SCRATCH/stdout" >&2
  result=1
fi
# Wine prints its own notes on the error stream: only a native run is held
# to an empty one.
if [ -z "$BLOBSMITH_RUNNER" ] && [ -s "$BS_SCRATCH/stderr" ]; then
  echo "the tool wrote to its error stream:" >&2
  cat "$BS_SCRATCH/stderr" >&2
  result=1
fi
exit $result
