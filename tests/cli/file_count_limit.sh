# A pack can be extracted only with at most 2047 entries, so a tree with
# more collectable files is refused before anything is written.
# make_files DIR COUNT: empty files f0000 .. in DIR
make_files() {
  mkdir "$1"
  i=0
  while [ $i -lt "$2" ]; do
    : >"$1/$(printf 'f%04d' $i)"
    i=$((i + 1))
  done
}
make_files res 2048
make_files big 2100
make_files ok 2047

echo "== 2048 files"
bs --pack
echo "== 2100 files"
bs --pack -i big -o big.bin
echo "== nothing was written"
tree_of . | awk '!/\/f[0-9]+$/'

echo "== 2047 files"
bs --pack -i ok -o ok.bin | mask_crc ok.bin
pack_dump ok.bin | awk '$1 != "entry" || $2 == 0 || $2 == 2046'
echo "== and back"
bs --unpack -i ok.bin -o out
ls out | wc -l
diff -r ok out && echo "out equals ok"

echo "== counts out of range extract nothing"
for count in '\000\010\000\000' '\000\000\000\000' '\377\377\377\377'; do
  cp ok.bin patched.bin
  patch_at patched.bin 28 "$count"
  hex_at patched.bin 28 4
  bs --unpack -i patched.bin -o none
done
if [ -e none ]; then echo "none was created"; fi
