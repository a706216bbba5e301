# The machine flag: at most 7 characters in the header's 8-byte field, the
# rest zero.
mkdir res
printf 'data' >res/file.bin
machine_bytes() { od -An -v -tx1 -j 48 -N 8 "$1" | awk '{ $1 = $1; print "bytes 48..55: " $0 }'; }

echo "== default"
bs --pack | mask_crc res.bin
machine_bytes res.bin
echo "== 7 characters fill the field up to its last byte"
bs --pack -m abcdefg -o m7.bin | mask_crc m7.bin
machine_bytes m7.bin
pack_dump m7.bin
echo "== 8 characters are refused"
bs --pack -m abcdefgh -o m8.bin
tree_of .
echo "== empty flag"
bs --pack -m "" -o m0.bin | mask_crc m0.bin
machine_bytes m0.bin
echo "== the last -m wins"
bs --pack -m toolong99 -m pc -o last.bin | mask_crc last.bin
machine_bytes last.bin
