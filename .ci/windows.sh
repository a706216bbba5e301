#!/usr/bin/env bash
# The Windows job: cross-builds the 32-bit console program blobsmith.exe
# with MinGW-w64, checks what it imports and that it carries its manifest,
# checks that the run-time reader's DLL exports blobsmith_* names only,
# and runs the unit tests, the black-box cases and the Linux-versus-Windows
# comparison under Wine. Prints what it took and the size of the program.
set -euo pipefail
cd "$(dirname "$0")/.."
job_start=$(date +%s)
# Marks the end of a step with the seconds since the job began.
step_done() { echo "[$(($(date +%s) - job_start)) s] $*"; }
build=${BLOBSMITH_WINDOWS_BUILD:-build-win32}

# ---- Tools: the cross compiler, 32-bit Wine (wine64 alone runs nothing
# and still exits with 0) and GoogleTest's sources.
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
.ci/deps g++-mingw-w64-i686-posix wine wine32:i386 googletest
step_done "tools ready"

# ---- One persistent Wine server for the whole job, in a 32-bit prefix of
# the build folder's own. Both are started with standard input and output
# detached: a Wine process that inherits CTest's pipes keeps CTest waiting.
mkdir -p "$build"
export WINEPREFIX="$PWD/$build/wineprefix" WINEARCH=win32 WINEDEBUG=-all TZ=UTC
# Wine reads arguments in the locale's encoding: under C it garbles every
# one that is not ASCII.
export LC_ALL=C.UTF-8
# (A server already running for this prefix is kept and used.)
wineserver -p </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k </dev/null >/dev/null 2>&1 || true' EXIT
# The prefix is made without the .NET and HTML engines, which no test
# needs, and without a display.
env -u DISPLAY WINEDLLOVERRIDES="mscoree=;mshtml=" wineboot -i </dev/null >/dev/null 2>&1
step_done "Wine server and prefix ready"

# ---- A 32-bit program must really run: this one has to return 42.
i686-w64-mingw32-g++-posix -static -o "$build/exit42.exe" tests/windows/exit42.cc
status=0
wine "$build/exit42.exe" </dev/null >/dev/null 2>&1 || status=$?
if [ "$status" -ne 42 ]; then
  echo "a 32-bit Windows program returned $status under Wine instead of 42" >&2
  exit 1
fi
echo "Wine runs 32-bit programs (exit status 42 seen)"

# ---- The Linux tool to compare with: the one .ci/run built, or a new one.
linux_tool=$PWD/build/blobsmith
if [ ! -x "$linux_tool" ]; then
  cmake -S . -B "$build/linux" -DBUILD_TESTING=OFF
  cmake --build "$build/linux" -j2 --target blobsmith
  linux_tool=$PWD/$build/linux/blobsmith
fi

# ---- Build.
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake \
  -DBLOBSMITH_WINEPREFIX="$WINEPREFIX" -DBLOBSMITH_LINUX_TOOL="$linux_tool"
cmake --build "$build" -j2
step_done "built"
exe=$build/blobsmith.exe

# ---- What the program imports, and its manifest (resource type 24, id 1).
headers=$(i686-w64-mingw32-objdump -p "$exe")
imports=$(printf '%s\n' "$headers" | awk '/DLL Name:/ { print $3 }' | sort | tr '\n' ' ')
if [ "$imports" != "KERNEL32.dll msvcrt.dll " ]; then
  echo "blobsmith.exe imports from: $imports(expected KERNEL32.dll and msvcrt.dll only)" >&2
  exit 1
fi
# In the resource directory, the entry of type 0x18 is followed by its
# name level, whose entry must be id 1. awk reads to the end: leaving early
# would end printf with SIGPIPE, which pipefail counts as a failure.
if ! printf '%s\n' "$headers" | awk '
    /Resource Directory section/ { in_rsrc = 1 }
    in_rsrc && /Entry: ID: 0x000018,/ { type_seen = 1; next }
    type_seen && !decided && /Entry: ID:/ { found = ($4 == "0x000001,"); decided = 1 }
    END { exit !found }'; then
  echo "blobsmith.exe carries no manifest resource of type 24, id 1" >&2
  exit 1
fi
i686-w64-mingw32-objcopy -O binary --only-section=.rsrc "$exe" "$build/rsrc.bin"
if ! grep -q 'requestedExecutionLevel level="asInvoker"' "$build/rsrc.bin"; then
  echo "the manifest in blobsmith.exe does not ask for asInvoker" >&2
  exit 1
fi
if command -v python3 >/dev/null; then
  python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' \
    windows/blobsmith.manifest
else
  echo "note: no python3 here; the manifest's XML was not parsed"
fi
echo "blobsmith.exe: imports $imports; manifest 24/1 asks for asInvoker"

# ---- The run-time reader's DLL: the same two imports, and blobsmith_*
# names only in its export table.
dll=$build/libblobsmith-reader.dll
dll_headers=$(i686-w64-mingw32-objdump -p "$dll")
dll_imports=$(printf '%s\n' "$dll_headers" | awk '/DLL Name:/ { print $3 }' | sort | tr '\n' ' ')
exports=$(printf '%s\n' "$dll_headers" | awk '
    /\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
    table && NF == 0 { table = 0 }
    table { print $NF }')
if [ "$dll_imports" != "KERNEL32.dll msvcrt.dll " ]; then
  echo "$dll imports from: $dll_imports(expected KERNEL32.dll and msvcrt.dll only)" >&2
  exit 1
fi
if [ -z "$exports" ] || printf '%s\n' "$exports" | grep -qv '^blobsmith_'; then
  echo "$dll exports other names than blobsmith_*:" $exports >&2
  exit 1
fi
echo "$(basename "$dll"): imports $dll_imports; exports $(printf '%s\n' "$exports" | wc -l) blobsmith_* names"

# ---- Every test under Wine.
# A test whose Wine client loses the server ("recvmsg: Connection reset by
# peer", Wine's own, seen once in many runs) is run once more.
ctest --test-dir "$build" --output-on-failure -j2 --repeat until-pass:2
step_done "tests passed"

echo "blobsmith.exe is $(wc -c <"$exe") bytes"
echo "the Windows job took $(($(date +%s) - job_start)) s"
