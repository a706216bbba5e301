# With SOURCE_DATE_EPOCH set, the same tree gives the same pack in any time
# zone, at any minute and whatever order its directories list names in;
# names that differ only in letter case are packed, reported and ordered by
# their bytes.
for f in a/Zeta a/alpha a/Beta a/beta a/gamma/one a/gamma/Two \
    b/gamma/Two b/gamma/one b/beta b/Beta b/alpha b/Zeta; do
  mkdir -p "$(dirname "$f")" && echo "${f#?/}" >"$f"
done
SOURCE_DATE_EPOCH=1767323040 TZ=UTC bs --pack -i a -o a.bin
SOURCE_DATE_EPOCH=1767323040 TZ=Pacific/Kiritimati bs --pack -i b -o b.bin
cmp a.bin b.bin && echo "the two packs are the same"
bs --list -i a.bin
bs --verify -i a.bin
