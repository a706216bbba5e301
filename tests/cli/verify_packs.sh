# --verify: a pack as the tool writes it is sound and the run exits with 0;
# each kind of damage is named on its own line and the run exits with 1.

# Replaces the two values of a checksum line with notes when they are the
# word stored at the end of FILE and the checksum recomputed over the rest.
mask_checksum() {
  size=$(wc -c <"$1")
  computed=$(crc_of "$1" $((size - 4)))
  stored=$(stored_crc_of "$1")
  sed "s/^checksum is $stored, computed $computed !!!\$/checksum is <stored word>, computed <checksum of the body> !!!/"
}

cp -R "$EXAMPLES" res
bs --pack >/dev/null

echo "== the sample pack is sound"
bs --verify
bs -i res.bin --verify -o x -m y -g z

echo "== packs with a zeroed entry, an only empty member, and names differing in case"
mkdir odd
printf 'a' >odd/a.txt
printf 'A' >odd/A.TXT
: >odd/empty
ln -s nowhere odd/broken
bs --pack -i odd -o odd.bin >/dev/null
bs --verify -i odd.bin
mkdir only_empty
: >only_empty/nothing
bs --pack -i only_empty -o only_empty.bin >/dev/null
bs --verify -i only_empty.bin

echo "== one changed data byte: only the checksum tells"
cp res.bin byte.bin
patch_at byte.bin $((263 * 512 + 7)) 'x'
bs --verify -i byte.bin | mask_checksum byte.bin

echo "== padding after data\\block513.bin"
cp res.bin padding.bin
patch_at padding.bin $((265 * 512 + 100)) 'p'
bs --verify -i padding.bin | mask_checksum padding.bin

echo "== header damage"
cp res.bin header.bin
patch_at header.bin 1 'f'
patch_at header.bin 32 '\000'
patch_at header.bin 55 'z'
patch_at header.bin 508 '\000'
bs --verify -i header.bin | mask_checksum header.bin

echo "== table damage: order, name and start block"
cp res.bin table.bin
patch_at table.bin $((2048 + 64 * 1)) 'X'
patch_at table.bin $((2048 + 64 * 2 + 40)) 'q'
patch_at table.bin $((2048 + 64 * 7 + 56)) '\001'
bs --verify -i table.bin | mask_checksum table.bin

echo "== cut inside the data, and grown by a block"
head -c 138000 res.bin >cut.bin
bs --verify -i cut.bin | mask_checksum cut.bin
{ head -c $(($(wc -c <res.bin) - 4)) res.bin; head -c 512 /dev/zero; tail -c 4 res.bin; } >grown.bin
bs --verify -i grown.bin | mask_checksum grown.bin

echo "== files that are not packs"
bs --verify -i missing.bin
head -c 2000 res.bin >short.bin
bs --verify -i short.bin
: >empty.bin
bs --verify -i empty.bin

echo "== -v: the version line, nothing checked, status 0"
bs --verify -i empty.bin -v
