# Which mode a command line selects, and what a run without one prints.

echo "== no arguments: both boxes"
bs
echo "== --PACK and -pack are no mode words"
bs --PACK
bs -pack
echo "== --pack without a res directory: the box alone, no file"
bs --pack
tree_of .
echo "== --pack with an empty res directory: the same"
mkdir res
bs --pack
tree_of .
rmdir res

echo "== the mode word may follow the options"
mkdir src
printf 'x' >src/a.txt
bs -i src --pack | mask_crc res.bin
pack_dump res.bin
echo "== the first mode word wins"
bs --unpack -o out --pack
tree_of out
cmp out/a.txt src/a.txt || fail "unpacked a.txt differs"
rm -r out res.bin src

echo "== -o --pack packs res into a file named --pack"
cp -R "$EXAMPLES" res
bs -o --pack | mask_crc ./--pack
tree_of . | awk '!/^res\/./'
pack_dump ./--pack
