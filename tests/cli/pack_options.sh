# How the pack options take their values: the next argument whatever it
# looks like, the last value wins, and an option without a value ends the
# walk with what was read so far.
mkdir res
printf 'one\n' >res/one.txt
printf 'two\n' >res/two.txt
names() { pack_dump "$1" | awk '$1 == "entry" { printf "%s%s", sep, $3; sep = " " } END { print "" }'; }

echo "== -o -i: the output is named -i"
bs --pack -o -i | mask_crc ./-i
names ./-i
echo "== -o a.bin -o b.bin: b.bin"
bs --pack -o a.bin -o b.bin | mask_crc b.bin
echo "== -m zz -o at the end: defaults otherwise, flag zz"
bs --pack -m zz -o | mask_crc res.bin
pack_dump res.bin | awk '$1 == "machine"'
rm res.bin
echo "== -g list running to the end"
bs --pack -g two.txt | mask_crc res.bin
names res.bin
rm res.bin
echo "== other arguments are passed over"
bs -x --pack stray -o c.bin --unpack -q | mask_crc c.bin
names c.bin
tree_of . | awk '!/^res\/./'
