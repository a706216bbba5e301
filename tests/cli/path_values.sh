# Option values that do not fit a 512-byte path buffer are refused whole,
# 511 characters still fit, and empty names are refused where they would
# reach the root of the file system.
rep() { head -c "$2" /dev/zero | tr '\0' "$1"; }
mkdir res
printf 'r\n' >res/r.txt
bs --pack -o res.bin | mask_crc res.bin

echo "== pack: 600 characters after -o, then after -i"
bs --pack -o "$(rep o 600)"
bs --pack -i "$(rep i 600)"
echo "== pack: 512 and 511 characters after -i"
bs --pack -i "$(rep j 512)"
bs --pack -i "$(rep k 511)" -o k.bin
echo "== unpack: 600 characters after -i, then after -o"
bs --unpack -i "$(rep i 600)"
bs --unpack -o "$(rep o 600)"
echo "== unpack: 512 and 511 characters after -i"
bs --unpack -i "$(rep j 512)"
bs --unpack -i "$(rep k 511)" -o out

echo "== pack: empty -i, empty -o"
bs --pack -i ""
bs --pack -o ""
echo "== unpack: empty -o, empty -i"
bs --unpack -o ""
bs --unpack -i "" -o out
echo "== pack: an output in a missing directory"
bs --pack -o nodir/x.bin
echo "== nothing was written"
tree_of .
