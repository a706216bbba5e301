# Relative names of up to 55 characters are packed; longer ones are
# reported and left out, at any depth and with a trailing separator on the
# input directory.
rep() { head -c "$2" /dev/zero | tr '\0' "$1"; }
c55=$(rep c 55)
d56=$(rep d 56)
a51=$(rep a 51)
b52=$(rep b 52)
h60=$(rep h 60)
e250=$(rep e 250)
f250=$(rep f 250)
mkdir -p t1 t2/sub "t3/$h60" "t4/$e250/$f250"
printf 'c\n' >"t1/$c55"
printf 'd\n' >"t1/$d56"
printf 'ok\n' >t1/ok.txt
printf 'a\n' >"t2/sub/$a51"
printf 'b\n' >"t2/sub/$b52"
printf 'x\n' >"t3/$h60/x"
printf 'ok\n' >t3/ok.txt
printf 'y\n' >"t4/$e250/$f250/yy.txt"

echo "== 55 and 56 characters at the top"
bs --pack -i t1 -o t1.bin | mask_crc t1.bin
pack_dump t1.bin
echo "== 55 and 56 characters one level down"
bs --pack -i t2 -o t2.bin | mask_crc t2.bin
pack_dump t2.bin | awk '$1 == "entry" || $1 == "magic"'
echo "== a long directory name: its files are dropped"
bs --pack -i t3 -o t3.bin | mask_crc t3.bin
pack_dump t3.bin | awk '$1 == "entry" || $1 == "magic"'
echo "== a path beyond 511 characters"
bs --pack -i t4 -o t4.bin
echo "== a trailing separator gives the same names and the same test"
bs --pack -i t1/ -o t1slash.bin | mask_crc t1slash.bin
same_pack t1.bin t1slash.bin && echo "t1slash.bin equals t1.bin apart from the stamps"
tree_of . | awk '/\.bin$/'
