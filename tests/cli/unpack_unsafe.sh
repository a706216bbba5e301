# Names that would lead outside the output directory are refused, and so
# is a member whose path or directory level is a symbolic link or a FIFO;
# nothing is written beside the output directory.
mkdir -p src/sub base/elsewhere
for f in aaaa bbbb cccc dddd eeee fffffffff good pipe sub/f; do
  printf '%s\n' "$f" >"src/$f"
done
printf 'sentinel\n' >base/sentinel
cp base/sentinel sentinel.copy
bs --pack -i src -o crafted.bin | mask_crc crafted.bin
# Entry i's name starts at 2048 + 64 * i.
patch_at crafted.bin 2048 '..\\x'
patch_at crafted.bin 2112 '\\abs'
patch_at crafted.bin 2176 '../y'
patch_at crafted.bin 2240 'c:zz'
patch_at crafted.bin 2304 "$(head -c 56 /dev/zero | tr '\0' e)"
patch_at crafted.bin 2368 'a\\..\\..\\z'
pack_dump crafted.bin | awk '$1 == "entry"'

mkdir base/out
ln -s ../elsewhere base/out/sub
mkfifo base/out/pipe
BS_TIMEOUT=20
bs --unpack -i crafted.bin -o base/out
BS_TIMEOUT=
tree_of base
cmp base/sentinel sentinel.copy && echo "sentinel unchanged"
