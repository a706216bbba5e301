#!/bin/sh
# Installs the build into a scratch prefix, builds the consumer program
# against it with find_package(blobsmith), packs a small tree with the
# installed tool and has the consumer read members back by name.
#
#   sh run.sh <cmake> <build-dir> <config> <consumer-source> <work-dir> <c++> [<link-flags>]
set -eu
cmake=$1 build=$2 config=$3 consumer=$4 work=$5 cxx=$6 link_flags=${7:-}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
prefix=$work/prefix

"$cmake" --install "$build" --config "$config" --prefix "$prefix" >"$work/install.log" ||
  fail "cmake --install failed"
for installed in bin/blobsmith share/man/man1/blobsmith.1 include/blobsmith/read/pack_reader.h \
    include/blobsmith/format/pack_format.h; do
  [ -f "$prefix/$installed" ] || fail "$installed was not installed"
done
ls "$prefix"/lib*/libblobsmith_core.a >/dev/null 2>&1 || fail "the core library was not installed"
ls "$prefix"/lib*/cmake/blobsmith/blobsmith-config-version.cmake >/dev/null 2>&1 ||
  fail "the package version file was not installed"
# Test helpers stay in the source tree.
[ ! -e "$prefix/include/blobsmith/read/pack_image_testing.h" ] || fail "a test helper was installed"

"$cmake" -S "$consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE="$config" \
  -DCMAKE_EXE_LINKER_FLAGS="$link_flags" >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log" >&2; fail "the consumer does not configure"; }
"$cmake" --build "$work/consumer" --config "$config" >"$work/build.log" 2>&1 ||
  { cat "$work/build.log" >&2; fail "the consumer does not build"; }
pack_cat=$work/consumer/pack_cat
[ -x "$pack_cat" ] || pack_cat=$work/consumer/$config/pack_cat

mkdir -p "$work/run/res/img"
cd "$work/run"
printf 'logo bytes' >res/img/Logo.png
printf 'first' >res/a.txt
: >res/empty.dat
"$prefix/bin/blobsmith" --pack >/dev/null
"$prefix/bin/blobsmith" --verify >/dev/null || fail "the installed tool finds its own pack unsound"

"$pack_cat" res.bin img/logo.png A.TXT 'img\Logo.png' empty.dat missing.txt >out.txt 2>&1 &&
  status=0 || status=$?
printf '%s\n' \
  'blobsmith::blobsmith and blobsmith::core 0.1.0' \
  'img/logo.png: 10 bytes' 'logo bytes' \
  'A.TXT: 5 bytes' 'first' \
  'img\Logo.png: 10 bytes' 'logo bytes' \
  'empty.dat: 0 bytes' '' \
  'missing.txt: not found' >expected.txt
cmp -s expected.txt out.txt || { diff expected.txt out.txt >&2; fail "the consumer printed something else"; }
[ "$status" -eq 1 ] || fail "the consumer exited with $status, expected 1 for the missing name"
rm -rf "$work"
