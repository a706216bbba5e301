# An output file inside the input tree is never packed into itself, under
# whatever spelling of its path.
cp -R "$EXAMPLES" res

echo "== first run: the output does not exist yet"
bs --pack -o res/res.bin | mask_crc res/res.bin
pack_dump res/res.bin | awk '$1 == "magic"'
echo "== second run: the existing output is left out"
bs --pack -o res/res.bin | mask_crc res/res.bin
pack_dump res/res.bin
echo "== another spelling of the same file"
bs --pack -o ./res/img/../res.bin | mask_crc res/res.bin
pack_dump res/res.bin | awk '$1 == "magic"'
echo "== another pack in the tree is an ordinary member"
cp res/res.bin res/old.bin
bs --pack -o res/res.bin | mask_crc res/res.bin
pack_dump res/res.bin | awk '$1 == "magic" || /old/'
