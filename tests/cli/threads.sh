# -j: the same pack, tree and lines with one thread and with several.
export SOURCE_DATE_EPOCH=1767323040
# Sizes at the edges of a block and of a copy's 128 KiB chunk, in levels
# that several members share and levels of their own; a FIFO that is
# reported; names that sort between a directory's members.
for d in a a/b a/b/c d e f; do mkdir -p "res/$d"; done
i=0
for size in 0 1 511 512 513 1023 1024 1025 131071 131072 131073 4096 100; do
  for d in a a/b a/b/c d e f; do
    i=$((i + 1))
    yes "$i $d" | head -c "$size" >"res/$d/m$i.bin"
  done
done
echo x >res/a.txt && echo y >res/a/b.txt
mkfifo res/d/pipe
bs -q --pack -j 1 -o one.bin >one.lines
bs -q --pack -j 4 -o four.bin >four.lines
bs -q --pack -o default.bin >default.lines
bs -q --pack -j 64 -o most.bin >/dev/null
cat one.lines
cmp one.bin four.bin && cmp one.bin default.bin && cmp one.bin most.bin && echo "packs equal byte for byte"
cmp one.lines four.lines && cmp one.lines default.lines && echo "pack lines equal"
echo "== unpack: the same tree and lines; a file where a level should be is refused the same way"
for jobs in 1 4; do
  mkdir -p u/a && echo old >u/a/b
  bs -q --unpack -j $jobs -i one.bin -o u >u$jobs.lines
  mv u u$jobs
done
sed 's/m[0-9]*\.bin/mN.bin/' u1.lines | uniq -c
cmp u1.lines u4.lines && echo "unpack lines equal"
diff -r u1 u4 && echo "trees equal"
cmp u4/f/m78.bin res/f/m78.bin && echo "m78.bin whole"
echo "== a pack cut short inside a member: the same lines and bytes"
head -c 400000 one.bin >cut.bin
bs -q --unpack -j 1 -i cut.bin -o c1 >c1.lines
bs -q --unpack -j 4 -i cut.bin -o c4 >c4.lines
echo "$(grep -c 'read failed !!!$' c1.lines) members read short, $(grep -c '^\[exit 1\]$' c1.lines) run with status 1"
cmp c1.lines c4.lines && diff -r c1 c4 && echo "same lines and trees"
echo "== refused: not a number of threads from 1 to 64, or another mode"
for value in 0 65 01 +2 x ""; do bs -q --pack -j "$value" -o no.bin; done
bs -q --unpack -i one.bin -o no -j 1x
bs -q --pack -o no.bin -j
bs -q --list -j 2 -i one.bin
bs -q --verify -i one.bin -j 2
[ -e no.bin ] || [ -e no ] || echo "nothing written"
