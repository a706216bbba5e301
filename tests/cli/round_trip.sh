# The sample tree packed and unpacked with the default names comes back
# byte for byte; empty directories leave no trace.
cp -R "$EXAMPLES" res
mkdir res/empty_dir

echo "== pack with the defaults"
before=$(date +%Y%m%d%H%M)
bs --pack | mask_crc res.bin
after=$(date +%Y%m%d%H%M)
pack_dump res.bin
check_members res.bin res
awk -v a="$before" -v s="$(stamp_of res.bin)" -v b="$after" 'BEGIN {
  if (s >= a && s <= b) print "stamp is the local date and time of the run"
  else print "stamp " s " is not between " a " and " b }'

echo "== unpack with the defaults in a fresh directory"
mkdir back
mv res.bin back/
(cd back && bs --unpack)
diff -r res back/res || true
tree_of back

echo "== unpacking again overwrites changed files"
echo changed >back/res/readme.txt
: >back/res/img/tile1025.bin
(cd back && bs --unpack)
diff -r res back/res || true

echo "== an output directory several levels deep is made level by level"
bs --unpack -i back/res.bin -o new/deeper/out
diff -r res new/deeper/out || true
