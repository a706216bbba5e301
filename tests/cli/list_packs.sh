# --list: the header line and one aligned line per entry, in table order,
# for the sample tree and for a pack with a zeroed entry; one line for a
# file that is not a readable pack.

# Replaces the shown date and time with a note when they are the stamp
# stored in FILE; any other value stays and fails the comparison.
mask_stamp() {
  shown=$(stamp_of "$1" | sed 's/^\(....\)\(..\)\(..\)\(..\)\(..\)$/\1-\2-\3 \4:\5/')
  sed "s/  packed $shown  /  packed <stamp of $1>  /"
}

cp -R "$EXAMPLES" res
bs --pack -m dev7 >/dev/null

echo "== the sample tree"
bs --list | mask_stamp res.bin

echo "== -i names the file anywhere; pack options are passed over"
mv res.bin other.bin
bs -o x.bin -g .svn --list -m q9 -i other.bin | mask_stamp other.bin

echo "== a dangling link gets a zeroed entry, listed in its place"
ln -s nowhere res/bad.link
bs --pack -o zeroed.bin | mask_crc zeroed.bin
bs --list -i zeroed.bin | mask_stamp zeroed.bin

echo "== -v ends the run; as the value of -i it is a file name"
bs --list -v -i other.bin
bs --list -i -v

echo "== files that are not readable packs"
bs --list
head -c 511 other.bin >short.bin
bs --list -i short.bin
cp other.bin magic.bin
patch_at magic.bin 0 'X'
bs --list -i magic.bin
cp other.bin count.bin
patch_at count.bin 28 '\000\010\000\000'
bs --list -i count.bin
head -c 2500 other.bin >cut.bin
bs --list -i cut.bin
mkdir dir.bin
bs --list -i dir.bin
