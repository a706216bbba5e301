# "-v" prints the version line and ends the run, except where it is the
# value of an option.
mkdir res
printf 'hello' >res/a.txt

echo "== --pack -v"
bs --pack -v
echo "== -v after -o and -i"
bs --pack -o out.bin -i res -v
echo "== -v inside a -g list acts as -v"
bs --pack -g a.txt b -v c
echo "== nothing was written"
tree_of .

echo "== -o -v packs into a file named -v"
bs --pack -o -v | mask_crc ./-v
pack_dump ./-v
rm ./-v
echo "== -m -v makes -v the machine flag"
bs --pack -m -v -o m.bin | mask_crc m.bin
pack_dump m.bin | awk '/^machine/'
echo "== -i -v reads a directory named -v, which is missing"
bs --pack -i -v -o nothing.bin
tree_of .

echo "== --unpack -o out -v"
bs --unpack -i m.bin -o out -v
echo "== --unpack -m -v: -m means nothing here"
bs --unpack -i m.bin -m -v
echo "== nothing was extracted"
tree_of .
echo "== --unpack -o -v extracts into a directory named -v"
bs --unpack -i m.bin -o -v
tree_of ./-v
