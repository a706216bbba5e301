#!/bin/sh
# The same tree packed by a Linux build and by the Windows build, with
# SOURCE_DATE_EPOCH set, gives the same bytes: names in accents, CJK and an
# emoji included, stored as UTF-8 by both.
#   sh same_pack_as_linux.sh <linux-blobsmith> <blobsmith.exe> <examples/res>
# BLOBSMITH_RUNNER is put before the Windows build (wine).
set -e
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$3" "$work/tree"
cd "$work"
mkdir -p "tree/été" "tree/日本/資料"
echo café >"tree/été/café.txt"
echo 語 >"tree/日本/資料/語.txt"
echo smile >"tree/😀 smile.txt"
export SOURCE_DATE_EPOCH=1767323040
"$1" --pack -q -i tree -o linux.bin >/dev/null
$BLOBSMITH_RUNNER "$2" --pack -q -i tree -o windows.bin >/dev/null
cmp linux.bin windows.bin
