#!/bin/sh
# Builds with the dependency file under one generator, by hand and through
# blobsmith_add_pack, against install.tree's tree: a no-op build does not
# pack; a touch, add or delete packs exactly the tree again; a dangling link
# fails every build until it goes. Names hold spaces, "$" (but under CMake's
# Ninja, which writes it unescaped), and by hand "#" and a leading space.
#
#   sh pack_build.sh <work-dir> <source-dir> <cmake> <generator>
set -eu
work=$1 source=$2 cmake=$3 generator=$4
tool=$work/prefix/bin/blobsmith
case $generator in
  Ninja) command -v ninja >/dev/null || { echo "no ninja"; exit 77; } ;;
  *) command -v make >/dev/null || { echo "no make"; exit 77; } ;;
esac

fail() { echo "FAIL ($generator, $how): $*" >&2; exit 1; }
build() { $build_command >"$out.log" 2>&1; }
# The pack's member names, one a line, "/" between levels, sorted.
members() { "$tool" -q --list -i "$out/assets.bin" | tail -n +2 | cut -c21- | LC_ALL=C sort; }
# The tree's files but *.psd, as members() gives them.
files() { (cd "$tree" && find . -type f ! -name '*.psd' | sed 's|^\./||' | LC_ALL=C sort); }
packed_since() { [ "$out/assets.bin" -nt "$out/stamp" ]; }
mark() { touch -r "$out/assets.bin" "$out/stamp"; }
# What the script changes is newer than the pack, however coarse the times.
later() { sleep 1; }

check_builds() {
  build || { cat "$out.log" >&2; fail "first build"; }
  [ "$(members)" = "$(files)" ] || fail "the first pack does not hold the tree"
  mark
  build && ! packed_since || fail "a build with nothing changed packed again"
  for change in touch add delete; do
    later
    case $change in
      touch) touch "$tree/sub dir/x.txt" ;;
      add) echo n >"$tree/sub dir/new$dollar.txt" ;;
      delete) rm "$tree/a b$dollar.txt" ;;
    esac
    mark
    build || { cat "$out.log" >&2; fail "build after $change"; }
    packed_since || fail "a $change did not pack again"
    [ "$(members)" = "$(files)" ] || fail "after a $change the pack does not hold the tree"
    mark
    build && ! packed_since || fail "the build after the $change's packed again"
  done
  later
  ln -s nowhere "$tree/dangling"
  build && fail "a dangling link did not fail the build"
  build && fail "the build after a failed one passed on a stale pack"
  rm "$tree/dangling"
  build || { cat "$out.log" >&2; fail "the build after the link went"; }
  [ "$(members)" = "$(files)" ] || fail "the last pack does not hold the tree"
}

for how in direct cmake; do
  name=$how-$(echo "$generator" | tr -dc 'A-Za-z')
  out=$work/pack-$name tree=$work/tree-$name dollar='$'
  [ "$how $generator" = "cmake Ninja" ] && dollar=
  rm -rf "$out" "$tree" && mkdir -p "$tree/sub dir" "$out"
  echo a >"$tree/a b$dollar.txt"
  echo x >"$tree/sub dir/x.txt"
  echo p >"$tree/skip.psd"
  # What else the dependency file escapes, read back by make and Ninja.
  if [ "$how" = direct ]; then echo h >"$tree/e#f.txt" && echo l >"$tree/sub dir/ lead"; fi
  pack="$tool --pack -q --strict -g '*.psd'"
  if [ "$how $generator" = "direct Ninja" ]; then
    printf 'rule pack\n  command = %s -i %s -o $out --depfile $out.d\n  depfile = $out.d\n  deps = gcc\nbuild assets.bin: pack\n' \
      "$pack" "'$tree'" >"$out/build.ninja"
    build_command="ninja -C $out"
  elif [ "$how" = direct ]; then
    printf 'assets.bin:\n\t%s -i %s -o $@ --depfile $@.d\n-include assets.bin.d\n' "$pack" "'$tree'" >"$out/Makefile"
    build_command="make -C $out"
  else
    "$cmake" -S "$source/tests/install/pack_consumer" -B "$out" -G "$generator" \
      -DCMAKE_PREFIX_PATH="$work/prefix" -DTREE="$tree" >"$out.configure.log" 2>&1 ||
      { cat "$out.configure.log" >&2; fail "configure"; }
    build_command="$cmake --build $out"
  fi
  check_builds
done

# Outputs inside the tree they pack: neither is packed, and their renames
# into a directory the dependency file names do not make the next build
# pack again.
how=inside tree=$work/tree-direct-$(echo "$generator" | tr -dc 'A-Za-z')
out=$work/inside-$(echo "$generator" | tr -dc 'A-Za-z')
rm -rf "$out" && mkdir -p "$out" && ln -s "$tree" "$out/tree"
case $generator in
  Ninja) build_command="ninja -C $out"
    # (Not deps = gcc: Ninja would then delete the dependency file, which
    # changes the very directory it names.)
    printf 'rule pack\n  command = %s -i tree -o $out --depfile $out.d\n  depfile = $out.d\nbuild tree/assets.bin: pack\n' "$pack" >"$out/build.ninja" ;;
  *) build_command="make -C $out"
    printf 'tree/assets.bin:\n\t%s -i tree -o $@ --depfile $@.d\n-include tree/assets.bin.d\n' "$pack" >"$out/Makefile" ;;
esac
members() { "$tool" -q --list -i "$tree/assets.bin" | tail -n +2 | cut -c21- | LC_ALL=C sort; }
packed_since() { [ "$tree/assets.bin" -nt "$out/stamp" ]; }
mark() { touch -r "$tree/assets.bin" "$out/stamp"; }
rm -f "$tree/assets.bin" "$tree/assets.bin.d"
later
build || { cat "$out.log" >&2; fail "first build"; }
mark
build && ! packed_since || fail "a build with nothing changed packed again"
[ "$(members)" = "$(files | grep -v '^assets\.bin')" ] || fail "the pack holds more than the tree"
echo "$generator: by hand and through CMake, packed, kept, packed again on touch, add and delete, failed twice on a dangling link; a pack inside its tree kept"
