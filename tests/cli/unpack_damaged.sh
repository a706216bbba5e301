# Missing, unreadable and cut-short pack files, and entries that cannot be
# followed: one line per failure, and whatever can still be written is
# written.
echo "== no res.bin"
bs --unpack
echo "== a missing input file"
bs --unpack -i nothere.bin -o out
echo "== -i without a value keeps the default"
bs --unpack -o out -i
echo "== a directory as input"
mkdir somedir
bs --unpack -i somedir -o out
echo "== nothing was created"
tree_of .

mkdir src
head -c 1025 /dev/zero | tr '\0' Q >src/q.bin
bs --pack -i src -o full.bin | mask_crc full.bin
echo "== shorter than a header"
head -c 100 full.bin >tiny.bin
bs --unpack -i tiny.bin -o out
echo "== cut inside the reserved blocks"
head -c 1000 full.bin >short.bin
bs --unpack -i short.bin -o out
tree_of out
rm -r out
echo "== cut inside the member's second block"
head -c 133720 full.bin >cut.bin
bs --unpack -i cut.bin -o out
wc -c <out/q.bin
head -c 600 out/q.bin >first600
head -c 600 src/q.bin | cmp -s - first600 && echo "the first 600 bytes are the member's"
tail -c 424 out/q.bin | cmp -s -n 424 - /dev/zero && echo "zeros follow them"

mkdir two
printf 'g\n' >two/g
mkdir two/sub
printf 'f\n' >two/sub/f
bs --pack -i two -o two.bin | mask_crc two.bin
echo "== a directory level that is a file"
mkdir level
echo file >level/sub
bs --unpack -i two.bin -o level
cat level/sub
echo "== a negative size, and a start block beyond the end"
patch_at two.bin 2108 '\377\377\377\377'
patch_at two.bin 2168 '\000\000\001\000'
bs --unpack -i two.bin -o far
wc -c <far/g
hex_at far/sub/f 0 8
