# Names in accents, CJK and an emoji, in the tree and on the command line:
# stored as UTF-8 (the same pack bytes on every platform), listed, verified,
# chosen with -x and -p, and unpacked back whole under a non-ASCII directory.
export SOURCE_DATE_EPOCH=1767323040
mkdir -p "tree/été" "tree/日本"
echo café >"tree/été/café.txt"
echo 語 >"tree/日本/語.txt"
echo smile >"tree/😀.txt"
bs --pack -q -i tree -o "pâquet.bin"
sha256sum "pâquet.bin"
od -An -tx1 -j 2048 -N 15 "pâquet.bin"
bs --list -q -i "pâquet.bin"
bs --verify -q -i "pâquet.bin"
bs --unpack -q -i "pâquet.bin" -o "sortie/ñ"
diff -r tree "sortie/ñ" && echo "the tree came back whole"
bs --unpack -q -i "pâquet.bin" -o only -x "日本" "😀.txt"
(cd only && find . -type f | LC_ALL=C sort)
bs --unpack -q -i "pâquet.bin" -p 'été\café.TXT'
