"""python3 -m blobsmith list PACK | cat PACK NAME... | verify PACK

list prints one line per named entry: its size and its name, "/" between
levels (a stored "/" shows as \\x2F), control bytes and bytes that are not
UTF-8 as \\xNN. cat writes the members' bytes to standard output, found by
name as blobsmith_find finds them. verify checks the pack at run time.
Exit status: 0 done, 1 a member not found or the pack not whole, 2 the
pack cannot be opened or the command line is wrong."""

import sys

import blobsmith


def printable(name):
    """A stored name as a line shows it."""
    shown = []
    for character in name:
        code = ord(character)
        if character == "\\":
            shown.append("/")
        elif character == "/":
            shown.append("\\x2F")
        elif 0xDC80 <= code <= 0xDCFF:  # a byte that was not UTF-8
            shown.append("\\x%02X" % (code - 0xDC00))
        elif code < 0x20 or 0x7F <= code <= 0x9F or code in (0x2028, 0x2029) \
                or 0x202A <= code <= 0x202E or 0x2066 <= code <= 0x2069:
            shown.extend("\\x%02X" % byte for byte in character.encode("utf-8"))
        else:
            shown.append(character)
    return "".join(shown)


def main(argv):
    if len(argv) < 2 or argv[0] not in ("list", "cat", "verify") or \
            (argv[0] != "cat" and len(argv) != 2) or (argv[0] == "cat" and len(argv) < 3):
        sys.stderr.write(__doc__.split("\n\n")[0] + "\n")
        return 2
    command, path, names = argv[0], argv[1], argv[2:]
    try:
        pack = blobsmith.Pack(path)
    except blobsmith.Error as error:
        print("%s open failed, %s !!!" % (path, blobsmith.status_text(error.status)))
        return 2
    with pack:
        if command == "list":
            for member in pack:
                print("%10d %s" % (member.size, printable(member.name)))
            return 0
        if command == "verify":
            try:
                pack.verify()
            except blobsmith.Error as error:
                print("%s is not sound, %s !!!" % (path, blobsmith.status_text(error.status)))
                return 1
            print("%s is sound" % path)
            return 0
        status = 0
        for name in names:
            try:
                data = pack.read(name)
            except KeyError:
                print("%s not found !!!" % printable(name), file=sys.stderr)
                status = 1
                continue
            sys.stdout.buffer.write(data)
        sys.stdout.buffer.flush()
        return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
