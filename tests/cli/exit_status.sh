# What a build script can rely on: the exit status of each kind of run, and
# an earlier pack left byte for byte as it was by every run that fails.
export SOURCE_DATE_EPOCH=1767323040
cp -R "$EXAMPLES" res
bs --pack -o good.bin
cp good.bin old.bin

echo "== 1: a dangling link in the tree; a pack is still written"
cp -R res tree
# (Wine lists no dangling link; a FIFO fails the same way under the same name.)
if [ -z "$BLOBSMITH_RUNNER" ]; then ln -s nowhere tree/dangling; else mkfifo tree/dangling; fi
bs --pack -i tree -o dangling.bin
bs --verify -i dangling.bin
echo "== 2: a typo in -i, a file-size limit: the earlier pack stays"
bs --pack -i tre -o old.bin
cmp old.bin good.bin && echo "old.bin unchanged"
# (An emulator does not ignore SIGXFSZ as the tool does: it is ignored for it.)
(if [ -n "$BLOBSMITH_RUNNER" ]; then trap '' XFSZ; fi; ulimit -f 100; bs --pack -o old.bin)
cmp old.bin good.bin && echo "old.bin unchanged"
echo "temporary files left: $(ls -a | grep -c '\.tmp$')"
echo "== 0: standard output closed, or a pipe closed after one line"
$BLOBSMITH_RUNNER "$BLOBSMITH" --pack -o closed.bin >&- 2>/dev/null
echo "[exit $?]"
cmp closed.bin good.bin && echo "closed.bin whole"
$BLOBSMITH_RUNNER "$BLOBSMITH" --pack -o piped.bin 2>/dev/null | head -c 1 >/dev/null
cmp piped.bin good.bin && echo "piped.bin whole"
echo "== 2: values refused whole"
long=$(printf '%0600d' 0)
bs --pack -i "" -o x.bin
bs --pack -m abcdefgh -o x.bin
bs --pack -o "$long"
bs --unpack -i "$long"
bs --unpack -o ""
echo "== 2: -o naming a source, 31 -g names, a bad SOURCE_DATE_EPOCH"
bs --pack -o res/readme.txt
ln res/readme.txt hard.bin
ln -s res/readme.txt soft.bin
bs --pack -o hard.bin
bs --pack -o soft.bin
cmp res/readme.txt "$EXAMPLES/readme.txt" && echo "res/readme.txt unchanged"
bs --pack -o x.bin -g 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31
SOURCE_DATE_EPOCH=-5 bs --pack -o x.bin
SOURCE_DATE_EPOCH=253402300800 bs --pack -o x.bin
mkdir empty
bs --pack -i empty -o x.bin
ls x.bin 2>/dev/null
echo "== unpack: 0, 1 for a member that failed, 2 for a pack it cannot use"
bs --unpack -i good.bin -o out
mkdir out2 && mkdir out2/readme.txt
bs --unpack -i good.bin -o out2
bs --unpack -i missing.bin
head -c 100 good.bin >short.bin
bs --unpack -i short.bin
echo "== verify and list: 0, 1 for a damaged pack, 2 for a file they cannot read"
printf 'X' | dd of=old.bin bs=1 seek=140000 conv=notrunc 2>/dev/null
bs --verify -i old.bin
bs --verify -i missing.bin
bs --list -i short.bin
