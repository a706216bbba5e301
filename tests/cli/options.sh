# Options for builds and scripts: typos refused, -q, -g, -x, -p, --depfile, --strict.
export SOURCE_DATE_EPOCH=1767323040
cp -R "$EXAMPLES" res
bs -q --pack -o good.bin
cp good.bin old.bin
echo "== refused, nothing written or read: a typo, a missing value, another mode's option"
bs --pack -I assets -o old.bin
bs -q --unpack -g x -o out
$BLOBSMITH_RUNNER "$BLOBSMITH" --list --json -i good.bin --strict 2>lines >doc.json
echo "[exit $?] $(wc -c <doc.json) bytes on standard output; $(tr -d '\r' <lines | grep -v '^wine\|fixme')"
bs -q --verify -m q5
bs -q --pack --depfile ""
cmp old.bin good.bin && echo "old.bin unchanged"
[ -e out ] || echo "out not made"
echo "== -q drops the box and nothing else; -v still answers"
bs -q --list -i good.bin | head -2
bs --verify -q -v
echo "== -g: patterns on bare names, paths from the top, a name's own text"
mkdir "res/[old]" && echo old >"res/[old]/x.txt"
bs -q --pack -o g.bin -g '*.ini' sound/ '[old]' 'img/*.bin' 'img/icons/glyph?.bin' data/
bs -q --list -i g.bin | awk 'NR > 1 { print $3 }'
echo "== -x: members and directories by the reader's rules; a name found nowhere"
bs -q --unpack -i good.bin -o part -x README.TXT img/icons/ 'data\block512.bin' missing/ Xmg/
(cd part && find . | LC_ALL=C sort)
cmp part/img/icons/glyphs.bin res/img/icons/glyphs.bin && echo "glyphs.bin whole"
echo "== -p: one member's bytes on standard output, every line on standard error"
$BLOBSMITH_RUNNER "$BLOBSMITH" --unpack -i good.bin -p IMG/Tile1024.bin >member 2>lines
echo "[exit $?]"
cmp member res/img/Tile1024.bin && echo "Tile1024.bin whole"
grep -c '^| blobsmith --unpack' lines
# (Standard error closed: the lines go nowhere, never into a file the run opens.)
if [ -z "$BLOBSMITH_RUNNER" ]; then "$BLOBSMITH" --unpack -i good.bin -p readme.txt 2>&- >member
else $BLOBSMITH_RUNNER "$BLOBSMITH" --unpack -i good.bin -p readme.txt 2>/dev/null >member; fi
cmp member res/readme.txt && echo "readme.txt whole, standard error closed"
for refused in "-p img" "-p readme.txt -o out"; do
  $BLOBSMITH_RUNNER "$BLOBSMITH" --unpack -q -i good.bin $refused >member 2>lines
  echo "[exit $?] $(wc -c <member) bytes, $(tr -d '\r' <lines | grep -v '^wine\|fixme')"
done
echo "== --depfile: never the pack itself, nor a file of the tree that is not one"
rm -r "res/[old]"
bs -q --pack -o d.bin --depfile d.bin
echo "d.bin is a note, not a dependency file" >res/note.txt
bs -q --pack -o d.bin --depfile res/note.txt
cat res/note.txt && rm res/note.txt
bs -q --pack -o d.bin --depfile res/d.bin.d
bs -q --pack -o d.bin --depfile res/d.bin.d
head -n 1 res/d.bin.d
bs -q --list -i d.bin | grep -c 'd\.bin'
rm res/d.bin.d
echo "== --strict: a run that would give 1 writes nothing and gives 2"
# (Wine lists no dangling link; a FIFO fails the same way under the same name.)
if [ -z "$BLOBSMITH_RUNNER" ]; then ln -s nowhere res/dangling; else mkfifo res/dangling; fi
bs -q --pack -o old.bin --strict
cmp old.bin good.bin && echo "old.bin unchanged"
echo "temporary files left: $(ls -a | grep -c '\.tmp$')"
