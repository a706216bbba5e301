# Paths far past 260 characters, Windows' own limit (the tool's is 511
# bytes): a tree packed from, a pack written, verified and unpacked there,
# and ".." levels resolved on the way.
export SOURCE_DATE_EPOCH=1767323040
level=$(printf '%060d' 0 | tr 0 l)
deep="$level/$level/$level/$level/$level"
mkdir -p "$deep/res/sub" "$deep/x"
cp "$EXAMPLES/readme.txt" "$deep/res/"
echo deep >"$deep/res/sub/a_name_that_takes_the_path_past_260.txt"
bs --pack -q -i "$deep/res" -o "$deep/x/../p.bin"
bs --verify -q -i "$deep/p.bin" | sed "s|$deep|DEEP|"
bs --unpack -q -i "$deep/p.bin" -o "$deep/out/"
diff -r "$deep/res" "$deep/out" && echo "the tree came back whole"
# A member whose path under the output directory would pass 511 bytes is
# skipped; the others are made.
far="$deep/$level/$level/$level"
bs --unpack -q -i "$deep/p.bin" -o "$far"
ls "$far"
