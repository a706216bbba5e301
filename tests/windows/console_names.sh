#!/bin/sh
# Names printed to a console come out as text, not as the bytes of another
# code page, and none is lost when the run ends: --list runs in a terminal
# (script(1) gives Wine a console) and its names must read as stored.
#   sh console_names.sh <blobsmith.exe>
# BLOBSMITH_RUNNER is put before the Windows build (wine).
set -e
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p "tree/été" "tree/日本"
echo 1 >"tree/été/café.txt"
echo 2 >"tree/日本/語.txt"
$BLOBSMITH_RUNNER "$1" --pack -q -i tree -o p.bin >/dev/null
script -qec "$BLOBSMITH_RUNNER $1 --list -q -i p.bin" /dev/null >console.txt </dev/null
# The console's cursor movements and line ends are dropped.
sed 's/\x1b\[[?0-9;]*[a-zA-Z]//g' console.txt | tr -d '\r' >text.txt
grep -F "été/café.txt" text.txt && grep -F "日本/語.txt" text.txt
