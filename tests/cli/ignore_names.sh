# Ignored names drop files and whole directories at every depth, compared
# case-sensitively with the bare name of each directory entry.
mkdir -p res/sub/.svn res/sub/deep/.svn/text-base res/sub/other res/CVS res/cvs res/.SVN
printf 'a\n' >res/a.txt
printf 'svn file\n' >res/.svn
printf 'keep\n' >res/keep.svn
printf 'entries\n' >res/sub/.svn/entries
printf 'base\n' >res/sub/deep/.svn/text-base/f.txt
printf 'b\n' >res/sub/deep/b.txt
printf 'other\n' >res/sub/other/.svn
printf 'root\n' >res/CVS/Root
printf 'cvs file\n' >res/sub/CVS
printf 'lower\n' >res/cvs/lower.txt
printf 'up\n' >res/.SVN/up.txt
names() { pack_dump "$1" | awk '$1 == "entry" { print $3 }'; }

echo "== -g .svn CVS -o out.bin"
bs --pack -g .svn CVS -o out.bin | mask_crc out.bin
pack_dump out.bin
check_members out.bin res
echo "== a name with a separator matches nothing"
bs --pack -g sub/deep res/a.txt -o sep.bin | mask_crc sep.bin
names sep.bin
echo "== a -g at the end stores nothing"
bs --pack -o end.bin -g | mask_crc end.bin
same_pack end.bin sep.bin && echo "end.bin equals sep.bin apart from the stamps"
