# With SOURCE_DATE_EPOCH set, the same tree gives the same pack in any time
# zone, at any minute and whatever order its directories list names in
# (without it, the local minute); names that differ only in letter case are
# packed, reported and ordered by their bytes.
for f in a/Zeta a/alpha a/Beta a/beta a/gamma/one a/gamma/Two \
    b/gamma/Two b/gamma/one b/beta b/Beta b/alpha b/Zeta; do
  mkdir -p "$(dirname "$f")" && echo "${f#?/}" >"$f"
done
SOURCE_DATE_EPOCH=1767323040 TZ=UTC bs --pack -i a -o a.bin
SOURCE_DATE_EPOCH=1767323040 TZ=Pacific/Kiritimati bs --pack -i b -o b.bin
cmp a.bin b.bin && echo "the two packs are the same"
unset SOURCE_DATE_EPOCH && export TZ=UTC
before=$(date +%Y%m%d%H%M) && bs --pack -i a -o local.bin >/dev/null && after=$(date +%Y%m%d%H%M)
stamp=$(head -c 28 local.bin | tail -c 12)
[ "$stamp" = "$before" ] || [ "$stamp" = "$after" ] && echo "without it, the local minute"
bs --list -i a.bin
bs --verify -i a.bin
