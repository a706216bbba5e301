#!/bin/sh
# Makes the Debian package with CPack and checks what it holds and declares.
#
#   sh deb.sh <cpack> <build-dir> <config> <work-dir>
set -eu
cpack=$1 build=$2 config=$3 work=$4

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
(cd "$build" && "$cpack" -G DEB -C "$config" -B "$work" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
set -- "$work"/blobsmith_*.deb
[ -f "$1" ] || fail "no blobsmith_*.deb was made"
dpkg-deb -f "$1" Package Version Section >"$work/fields.txt"
printf 'Package: blobsmith\nVersion: 0.1.0\nSection: utils\n' | cmp -s - "$work/fields.txt" ||
  { cat "$work/fields.txt" >&2; fail "unexpected control fields"; }
dpkg-deb -f "$1" Depends | grep -q 'libstdc++6' || fail "the C++ runtime is not a dependency"
dpkg-deb -c "$1" | awk '{ print $6 }' >"$work/files.txt"
for wanted in ./usr/bin/blobsmith ./usr/share/man/man1/blobsmith.1 \
    ./usr/include/blobsmith/read/pack_reader.h ./usr/lib/libblobsmith_core.a \
    ./usr/lib/cmake/blobsmith/blobsmith-config.cmake; do
  grep -qx "$wanted" "$work/files.txt" || fail "$wanted is not in the package"
done
rm -rf "$work"
