# A device at the output is refused before any work, found by its name
# alone (opening COM1 may do something): nothing is written, and no
# temporary file is made. A device as the pack to read or the directory to
# unpack into is never opened either.
export SOURCE_DATE_EPOCH=1767323040
cp -R "$EXAMPLES" res
mkdir out
for output in NUL 'out\nul.bin' COM1 'con .txt' 'CONIN$'; do
  bs --pack -q -i res -o "$output"
done
bs --pack -q -i res -o p.bin --depfile aux
bs --unpack -q -i NUL -o x
bs --pack -q -i res -o p.bin
bs --unpack -q -i p.bin -o lpt1
ls -A . out
