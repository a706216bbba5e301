/* read_members <pack> <source-dir> <name>...: exits with 0 when every named
 * member holds the bytes of its source file, read from file and memory. */
int check_pack_members(int argc, char** argv);

int main(int argc, char** argv) { return check_pack_members(argc, argv); }
