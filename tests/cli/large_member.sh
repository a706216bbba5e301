# Sizes and offsets are 32-bit signed words: a source of 2 GiB, or one that
# would take the pack past 2 GiB, is reported and keeps an all-zero entry.
# Both sources are sparse, and neither is read.
mkdir -p res/sub
printf 'small\n' >res/a.txt
truncate -s $((2147483648 - 133120)) res/edge
truncate -s 2147483648 res/sub/big2g
printf 'z' >res/z.txt

BS_TIMEOUT=20
bs --pack | mask_crc res.bin
BS_TIMEOUT=
pack_dump res.bin
