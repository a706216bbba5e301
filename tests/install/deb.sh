#!/bin/sh
# Makes the Debian packages from a fresh release build for /usr, has lintian
# pass them (errors fail, its other notes go to the log) and checks the files
# each holds. Exits with 77, skipped, without dpkg-deb or lintian.
#
#   sh deb.sh <work-dir> <source-dir> <cmake> <cpack> <generator> <cc> <c++> <version> <multiarch>
set -eu
work=$1 source=$2 cmake=$3 cpack=$4 generator=$5 cc=$6 cxx=$7 version=$8 multiarch=$9
command -v dpkg-deb >/dev/null && command -v lintian >/dev/null || { echo "no dpkg-deb or lintian"; exit 77; }

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$work" && mkdir -p "$work"
{ "$cmake" -S "$source" -B "$work/build" -G "$generator" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DBUILD_TESTING=OFF -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" &&
    "$cmake" --build "$work/build" --config Release -j2 &&
    (cd "$work/build" && "$cpack" -G DEB -C Release -B "$work"); } >"$work/build.log" 2>&1 ||
  { cat "$work/build.log" >&2; fail "the packages were not made"; }
lintian --fail-on error "$work"/*.deb >"$work/lintian.txt" 2>&1 || { cat "$work/lintian.txt" >&2; fail "lintian"; }
cat "$work/lintian.txt"
# The one warning allowed: CPack's own postinst and postrm calling ldconfig
# (the README names it).
! grep '^W: ' "$work/lintian.txt" | grep -v ' maintscript-calls-ldconfig ' >&2 ||
  fail "lintian warns of more than CPack's ldconfig scripts"

# holds <package> <file>...: these files, a copyright and a changelog, no more.
holds() {
  package=$1
  shift
  printf '%s\n' "$@" "usr/share/doc/$package/copyright" "usr/share/doc/$package/changelog.Debian.gz" |
    LC_ALL=C sort >"$work/expected.txt"
  dpkg-deb -c "$work/$package"_*.deb | awk '!/^d/ { print substr($6, 3) }' | LC_ALL=C sort |
    diff "$work/expected.txt" - >&2 || fail "$package holds other files"
}
lib=usr/lib${multiarch:+/$multiarch}
cmakedir=$lib/cmake/blobsmith/blobsmith
holds blobsmith usr/bin/blobsmith usr/share/man/man1/blobsmith.1.gz "$cmakedir-pack.cmake" \
  "$cmakedir-tool-targets.cmake" "$cmakedir-tool-targets-release.cmake"
holds libblobsmith-reader0 "$lib/libblobsmith-reader.so.${version%%.*}" "$lib/libblobsmith-reader.so.$version"
# The C bindings the build found their libraries for.
bindings=""
for binding in physfs sdl; do
  grep -q "^BLOBSMITH_$(echo $binding | sed 's/sdl/SDL2/; s/physfs/PHYSFS/')_FOUND:INTERNAL=1" \
    "$work/build/CMakeCache.txt" || continue
  bindings="$bindings usr/include/blobsmith/$binding.h $lib/libblobsmith-$binding.a
    $lib/pkgconfig/blobsmith-$binding.pc $cmakedir-$binding-targets.cmake $cmakedir-$binding-targets-release.cmake"
done
# shellcheck disable=SC2086
holds libblobsmith-reader-dev usr/include/blobsmith/reader.h "$lib/libblobsmith-reader.a" "$lib/libblobsmith-reader.so" \
  "$lib/pkgconfig/blobsmith-reader.pc" "$cmakedir-config.cmake" "$cmakedir-config-version.cmake" \
  "$cmakedir-targets.cmake" "$cmakedir-targets-release.cmake" $bindings
python=usr/lib/python3/dist-packages/blobsmith
holds python3-blobsmith "$python/__init__.py" "$python/__main__.py" "$python/_reader_h.py"

# The library packages may stand beside their other architectures; programs
# depend on the release that brought the calls they use.
for package in libblobsmith-reader0 libblobsmith-reader-dev; do
  dpkg-deb -f "$work/$package"_*.deb Multi-Arch | grep -qx same || fail "$package is not Multi-Arch: same"
done
dpkg-deb -e "$work"/libblobsmith-reader0_*.deb "$work/control"
cmp -s "$work/control/symbols" "$source/cmake/package/libblobsmith-reader0.symbols" || fail "no symbols file"
[ "$(cat "$work/control/shlibs")" = "libblobsmith-reader ${version%%.*} libblobsmith-reader${version%%.*} (>= ${version%.*}.0)" ] ||
  fail "shlibs asks for $(cat "$work/control/shlibs")"
dpkg-deb -f "$work"/python3-blobsmith_*.deb Architecture | grep -qx all || fail "python3-blobsmith is not Architecture: all"
dpkg-deb --fsys-tarfile "$work"/libblobsmith-reader-dev_*.deb | tar -xOf - "./$lib/pkgconfig/blobsmith-reader.pc" |
  grep -qx 'prefix=/usr' || fail "blobsmith-reader.pc does not name /usr"
