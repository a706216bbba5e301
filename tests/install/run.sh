#!/bin/sh
# Step tree installs into <work-dir>/prefix and packs examples/res with the
# installed tool; c (C99, pkg-config), cmake (the same code as C++,
# find_package), plugin (the static reader in a shared library), symbols and
# bindings (those installed) use that prefix from outside the project.
#
#   sh run.sh <step> <work-dir> <source-dir> <build-dir> <config> <version> <libdir> \
#     <cmake> <cc> <c++> [<link-flags>]
set -euf
step=$1 work=$2 source=$3 build=$4 config=$5 version=$6 libdir=$7 cmake=$8 cc=$9
shift 9
cxx=$1 link=${2:-} prefix=$work/prefix out=$work/$step consumer=$source/tests/install/consumer
lib=$prefix/$libdir res=$source/examples/res c99="$cc -std=c99 -Wall -Wextra -pedantic -Werror"
export PKG_CONFIG_PATH="$lib/pkgconfig"

fail() { echo "FAIL: $*" >&2; exit 1; }
# Every file of examples/res must come back from the pack, by name.
read_all() {
  "$out/read_members" "$work/res.bin" "$res" $(cd "$res" && find . -type f | sed 's|^\./||') ||
    fail "$step: members read wrongly"
}

[ "$step" = tree ] && rm -rf "$work"
rm -rf "$out" && mkdir -p "$out"
case $step in
tree)
  "$cmake" --install "$build" --config "$config" --prefix "$prefix" >"$out/install.log" || fail "install failed"
  # (What lands where is checked file by file in the packages.)
  [ -f "$lib/libblobsmith-reader.so.$version" ] && [ -f "$lib/libblobsmith-reader.a" ] &&
    gzip -dc "$prefix/share/man/man1/blobsmith.1.gz" | cmp -s - "$source/doc/blobsmith.1" &&
    cmp -s "$source/LICENSE" "$prefix/share/doc/libblobsmith-reader0/copyright" ||
    fail "the libraries, manual page or copyright are not where they belong"
  [ "$(pkg-config --variable=prefix blobsmith-reader)" = "$prefix" ] || fail "blobsmith-reader.pc names another prefix"
  "$prefix/bin/blobsmith" --pack -i "$res" -o "$work/res.bin" >"$out/pack.log" || fail "the installed tool does not pack"
  ;;
c)
  flags=$(pkg-config --cflags --libs blobsmith-reader) || fail "pkg-config does not find blobsmith-reader"
  $c99 -o "$out/read_members" "$consumer/main.c" "$consumer/read_members.c" $flags \
    -Wl,-rpath,"$(pkg-config --variable=libdir blobsmith-reader)" $link || fail "the C program does not build"
  read_all
  ;;
cmake)
  { "$cmake" -S "$consumer" -B "$out" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" \
      -DCMAKE_BUILD_TYPE="$config" -DCMAKE_EXE_LINKER_FLAGS="$link" && "$cmake" --build "$out"; } >"$out.log" 2>&1 ||
    { cat "$out.log" >&2; fail "the C++ program does not build"; }
  read_all
  ;;
plugin)
  $c99 -shared -fPIC -o "$out/libpackcheck.so" "$consumer/read_members.c" -I"$prefix/include" \
    "$lib/libblobsmith-reader.a" $link && $c99 -o "$out/read_members" "$consumer/main.c" -L"$out" -lpackcheck \
    -Wl,-rpath,"$out" $link || fail "the shared library or its program does not build"
  read_all
  ;;
symbols)
  # The shared library exports exactly the functions the header declares; the
  # static one defines those and otherwise only names in namespace blobsmith.
  sed -n 's/^BLOBSMITH_API .*[ *]\(blobsmith_[a-z_]*\)(.*/\1/p' "$prefix/include/blobsmith/reader.h" |
    LC_ALL=C sort >"$out/api.txt"
  nm -D --defined-only "$lib/libblobsmith-reader.so" | awk '{ print $3 }' | LC_ALL=C sort |
    diff "$out/api.txt" - >&2 || fail "the shared library exports other names"
  nm -g --defined-only "$lib/libblobsmith-reader.a" | awk 'NF == 3 { print $3 }' >"$out/a.txt"
  ! grep -v -e '^blobsmith_' -e '^_ZNK\{0,1\}9blobsmith' "$out/a.txt" >&2 || fail "the static library defines other names"
  grep '^blobsmith_' "$out/a.txt" | LC_ALL=C sort | cmp -s - "$out/api.txt" || fail "the static library lacks functions"
  # The Debian symbols file names each of them once.
  sed -n 's/^ \(blobsmith_[a-z_]*\)@Base .*/\1/p' "$source/cmake/package/libblobsmith-reader0.symbols" |
    LC_ALL=C sort | diff "$out/api.txt" - >&2 || fail "the symbols file names other functions"
  ;;
bindings)
  # Each binding that was built, from the installed tree: the PhysicsFS
  # archiver through pkg-config, the SDL_RWops through find_package, the
  # Python module from its installed folder; each on the installed tool's
  # pack of examples/res.
  if [ -f "$prefix/include/blobsmith/physfs.h" ]; then
    $c99 -o "$out/physfs_test" "$source/src/physfs/physfs_test.c" \
      $(pkg-config --cflags --libs blobsmith-physfs) -Wl,-rpath,"$lib" $link || fail "the PhysicsFS check does not build"
    (cd "$out" && LSAN_OPTIONS=suppressions="$source/src/physfs/physfs_leaks.supp" ./physfs_test "$work/res.bin" "$res") ||
      fail "PhysicsFS reads the pack wrongly"
  fi
  if [ -f "$prefix/include/blobsmith/sdl.h" ]; then
    { "$cmake" -S "$source/tests/install/sdl_consumer" -B "$out/sdl" -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_C_COMPILER="$cc" -DCMAKE_BUILD_TYPE="$config" -DCMAKE_EXE_LINKER_FLAGS="$link" \
        -DCHECK_SOURCE="$source/src/sdl/sdl_rwops_test.c" && "$cmake" --build "$out/sdl"; } >"$out/sdl.log" 2>&1 ||
      { cat "$out/sdl.log" >&2; fail "the SDL check does not build"; }
    mkdir "$out/tree" && cp -R "$res/." "$out/tree/" && "$out/sdl/sdl_check" bmp "$out/tree/picture.bmp" &&
      "$prefix/bin/blobsmith" --pack -q -i "$out/tree" -o "$out/sdl.bin" >/dev/null &&
      SDL_VIDEODRIVER=dummy "$out/sdl/sdl_check" "$out/sdl.bin" "$out/tree" || fail "SDL reads the pack wrongly"
  fi
  if [ -x /usr/bin/python3 ] && [ -z "$link" ]; then
    [ "$(PYTHONPATH="$prefix/lib/python3/dist-packages" BLOBSMITH_READER_LIBRARY="$lib/libblobsmith-reader.so.0" \
      /usr/bin/python3 -m blobsmith verify "$work/res.bin")" = "$work/res.bin is sound" ] ||
      fail "the installed Python module does not verify the pack"
  fi
  ;;
*) fail "no step $step" ;;
esac
