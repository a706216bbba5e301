# The sample tree packed with every pack option into the pack expected byte
# for byte, listed, verified and unpacked back whole (ignored file and empty
# directory excepted).
export SOURCE_DATE_EPOCH=1767323040
cp -R "$EXAMPLES" res
mkdir res/empty_dir
echo junk >res/data/.svn
echo one >res/x
bs --pack -o out.bin -i res -g .svn CVS -m abcdefg
sha256sum out.bin
bs --list -i out.bin
bs --verify -i out.bin
bs --unpack -i out.bin -o b/deeper
rm res/data/.svn && rmdir res/empty_dir
diff -r res b/deeper && echo "the tree came back whole"
echo "== unpacking again overwrites what changed"
echo changed >b/deeper/readme.txt
bs --unpack -i out.bin -o b/deeper
diff -r res b/deeper && echo "the tree came back whole"
