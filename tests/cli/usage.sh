# The usage boxes, byte for byte, and what a run with no mode word, --help
# or --version prints; every mode's -v.
BS_KEEP_BOXES=1
echo "== no arguments: the pack and unpack boxes"
bs
echo "== --help: every box, exit statuses and SOURCE_DATE_EPOCH"
bs --help
BS_KEEP_BOXES=
echo "== -v in each mode, --version, and --help beside a mode word"
bs --pack -o out.bin -g a -v
bs --unpack -m -v
bs --list -v
bs --verify -i -v -v
bs --version
bs --help --unpack -i missing.bin
echo "== the first mode word wins; --PACK, -pack and --pack=1 are none"
bs --PACK -pack --pack=1
bs -o --unpack --pack -v
bs --version --help
bs -o --list --verify
ls
