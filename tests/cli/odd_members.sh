# Entries that are not regular files: a dangling link and a FIFO are
# reported and keep an all-zero entry that still counts; a link to a file
# is followed; links that loop back up the tree end the walk there.
mkdir -p odd/sub
printf 'a\n' >odd/a.txt
printf 'b\n' >odd/sub/b.txt
ln -s missing-target odd/dangling
ln -s a.txt odd/link.txt
ln -s . odd/loop
ln -s .. odd/sub/up
mkfifo odd/fifo

echo "== pack"
BS_TIMEOUT=20
bs --pack -i odd -o odd.bin | mask_crc odd.bin
BS_TIMEOUT=
pack_dump odd.bin
hex_at odd.bin 2112 64

echo "== unpack: a zeroed entry names no file"
bs --unpack -i odd.bin -o out
tree_of out
