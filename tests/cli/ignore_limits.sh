# The ignore list holds at most 30 names, across every "-g"; an empty name
# is stored, counts, and matches nothing.
mkdir res
printf 'keep\n' >res/keep.txt
i=1
while [ $i -le 32 ]; do
  echo "n$i" >res/n$i
  i=$((i + 1))
done
names() { pack_dump "$1" | awk '$1 == "entry" { printf "%s%s", sep, $3; sep = " " } END { print "" }'; }
# names_from FIRST LAST: the arguments nFIRST .. nLAST
names_from() {
  i=$1
  while [ "$i" -le "$2" ]; do printf 'n%d ' "$i"; i=$((i + 1)); done
}

echo "== 32 names after one -g: the last two are passed over"
bs --pack -g $(names_from 1 32) -o cap.bin | mask_crc cap.bin
pack_dump cap.bin
echo "== 20 and 12 names after two -g: the same 30 are stored"
bs --pack -g $(names_from 1 20) -g $(names_from 21 32) -o two.bin | mask_crc two.bin
names two.bin
echo "== an empty name counts towards the 30"
bs --pack -g "" $(names_from 1 30) -o empty30.bin | mask_crc empty30.bin
names empty30.bin
echo "== an empty name matches nothing"
bs --pack -g "" n5 -o empty.bin | mask_crc empty.bin
names empty.bin
