# The byte image of a pack: header words, entries with "\" between levels,
# members on block boundaries with zero padding, empty members taking no
# block, and the checksum at the end.
mkdir -p lay/Sub/deep
: >lay/0empty
printf '0123456789' >lay/1ten
head -c 512 /dev/zero | tr '\0' B >lay/b512
head -c 513 /dev/zero | tr '\0' C >lay/c513
head -c 1024 /dev/zero | tr '\0' D >lay/d1024
head -c 1025 /dev/zero | tr '\0' E >lay/e1025
printf 'xyz' >lay/Sub/deep/x.txt

bs --pack -i lay -o lay.bin -m ab | mask_crc lay.bin
pack_dump lay.bin
check_members lay.bin lay
echo "== header"
hex_at lay.bin 0 16
hex_at lay.bin 28 8
hex_at lay.bin 48 8
hex_at lay.bin 508 4
echo "== entries 0, 1 and 6, and the first unused slot"
hex_at lay.bin 2048 64
hex_at lay.bin 2112 64
hex_at lay.bin 2432 64
hex_at lay.bin 2496 64
echo "== data: 1ten, the second block of c513, the last block of e1025"
hex_at lay.bin 133120 16
hex_at lay.bin 134650 16
hex_at lay.bin 137216 2
hex_at lay.bin 137726 2
echo "== the last 8 bytes: x.txt's padding, then the checksum"
hex_at lay.bin 138236 4
[ "$(stored_crc_of lay.bin)" = "$(crc_of lay.bin 138240)" ] &&
  echo "the last word is the checksum of the 138240 bytes before it"

echo "== order: letters without regard to case, a path before its extensions"
mkdir -p ord/a
for f in B.txt a.txt a0.txt a/x.txt; do printf '%s' "$f" >"ord/$f"; done
bs --pack -i ord -o ord.bin | mask_crc ord.bin
pack_dump ord.bin | awk '$1 == "entry"'
