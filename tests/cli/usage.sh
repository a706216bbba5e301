# The usage boxes, byte for byte; runs with no mode word, --help, --version.
BS_KEEP_BOXES=1
bs  # no arguments: the pack and unpack boxes
bs --help  # every box, exit statuses and SOURCE_DATE_EPOCH
BS_KEEP_BOXES=
echo "== -v in each mode, --version, and --help beside a mode word"
bs --pack -o out.bin -g a -v
bs --unpack -m -v
bs --list -v
bs --list --json -v
bs --verify -i -v -v
bs --version
bs --help --unpack -i missing.bin
echo "== the first mode word wins; --PACK, -pack and --pack=1 are none"
bs --PACK -pack --pack=1
bs -o --unpack --pack -v
bs --version --help
bs -o --list --verify
echo "== -v as a value, a value missing, -v in a -g list, 30 and 31 names, no options"
bs --pack -o -v -i nothing
bs --pack -i
bs --pack -g "" b -o -g c -v
bs --pack -i nothing -g "" 2 3 4 5 6 7 8 9 10 11 12 13 14 15 -g 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30
bs --pack -i nothing -g "" 2 3 4 5 6 7 8 9 10 11 12 13 14 15 -g 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31
bs --pack -i nothing -V -vv --v v -g
ls
