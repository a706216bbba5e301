"""The Python module against the shared library and a pack of a real tree.

Run with the system interpreter, the module and the library of the build:
  BLOBSMITH_READER_LIBRARY=... PYTHONPATH=... /usr/bin/python3 blobsmith_test.py \\
      HEADER PACK TREE
HEADER is blobsmith/reader.h, PACK the tool's pack of TREE (examples/res).
"""

import os
import re
import subprocess
import sys
import tempfile
import unittest

import blobsmith

HEADER, PACK, TREE = sys.argv[1:4]
del sys.argv[1:4]


def tree_files():
    """Every file under TREE as a name with "/" between levels, and its bytes."""
    files = {}
    for directory, _, names in os.walk(TREE):
        for name in names:
            path = os.path.join(directory, name)
            with open(path, "rb") as stream:
                files[os.path.relpath(path, TREE).replace(os.sep, "/")] = stream.read()
    return files


def run(*arguments):
    """python3 -m blobsmith with arguments, finding the module imported here."""
    where = os.path.dirname(os.path.dirname(os.path.abspath(blobsmith.__file__)))
    result = subprocess.run([sys.executable, "-m", "blobsmith", *arguments], capture_output=True,
                            env=dict(os.environ, PYTHONPATH=where))
    return result.returncode, result.stdout, result.stderr


class Constants(unittest.TestCase):
    def test_every_define_of_the_header_is_the_modules(self):
        with open(HEADER) as stream:
            defines = re.findall(r"^#define BLOBSMITH_(OK|ERROR_\w+|FILE|DIRECTORY|MAX_ENTRIES)"
                                 r" +\(?(-?\d+)\)?", stream.read(), re.M)
        self.assertGreater(len(defines), 18)
        for name, value in defines:
            self.assertEqual(getattr(blobsmith, name), int(value), name)
            if name.startswith("ERROR_"):
                self.assertNotEqual(blobsmith.status_text(int(value)), "unknown status", name)
        self.assertEqual(blobsmith.library_version(),
                         (blobsmith.VERSION_MAJOR, blobsmith.VERSION_MINOR, blobsmith.VERSION_PATCH))


class ReadsTheTree(unittest.TestCase):
    def test_from_a_path_and_from_bytes_every_byte(self):
        files = tree_files()
        with open(PACK, "rb") as stream:
            image = stream.read()
        for pack in (blobsmith.Pack(PACK), blobsmith.Pack(image)):
            with pack:
                self.assertEqual({m.name.replace("\\", "/") for m in pack}, set(files))
                for name, data in files.items():
                    self.assertEqual(pack.read(name), data, name)
                    self.assertEqual(pack.read(name.upper()), data, name)  # folding lookup
                    self.assertEqual(pack.stat(name), "file")
                walked = {(d + "/" if d else "") + f for d, _, fs in pack.walk() for f in fs}
                self.assertEqual(walked, set(files))
                self.assertIsNone(pack.verify())

    def test_the_view_and_lookups(self):
        with blobsmith.Pack(PACK) as pack:
            self.assertEqual([(e.name, e.kind) for e in pack.listdir("img")],
                             [("icons", "directory"), ("Tile1024.bin", "file"),
                              ("tile1025.bin", "file")])
            self.assertEqual(pack.stat("img/icons"), "directory")
            self.assertIsNone(pack.stat("IMG"))
            self.assertIsNone(pack.find_exact("README.TXT"))
            self.assertEqual(pack.find("README.TXT"), pack.find_exact("readme.txt"))
            with self.assertRaises(KeyError):
                pack.listdir("nothing")
            with self.assertRaises(KeyError):
                pack.read("nothing")
        with self.assertRaises(blobsmith.Error) as caught:
            blobsmith.Pack(b"not a pack" * 100)
        self.assertEqual(caught.exception.status, blobsmith.ERROR_NOT_A_PACK)

    def test_verify_whole_and_in_pieces(self):
        with open(PACK, "rb") as stream:
            image = bytearray(stream.read())
        self.assertEqual(blobsmith.verify_bytes(image[k:k + 999] for k in range(0, len(image), 999)),
                         blobsmith.OK)
        image[-100] ^= 1
        self.assertEqual(blobsmith.verify_bytes([image]), blobsmith.ERROR_CHECKSUM)
        with blobsmith.Pack(image) as pack, self.assertRaises(blobsmith.Error) as caught:
            pack.verify()
        self.assertEqual(caught.exception.status, blobsmith.ERROR_CHECKSUM)


class CommandLine(unittest.TestCase):
    def test_list_cat_verify(self):
        status, out, err = run("list", PACK)
        self.assertEqual((status, err), (0, b""))
        self.assertEqual(out.decode(), LISTED)
        status, out, _ = run("cat", PACK, "img/icons/palette.bin", "readme.txt")
        files = tree_files()
        self.assertEqual((status, out), (0, files["img/icons/palette.bin"] + files["readme.txt"]))
        self.assertEqual(run("cat", PACK, "nothing"), (1, b"", b"nothing not found !!!\n"))
        self.assertEqual(run("verify", PACK), (0, PACK.encode() + b" is sound\n", b""))
        with tempfile.TemporaryDirectory() as directory:
            broken = os.path.join(directory, "broken.bin")
            with open(PACK, "rb") as stream, open(broken, "wb") as out_stream:
                out_stream.write(stream.read()[:-1] + b"\xff")
            self.assertEqual(run("verify", broken)[:2], (1, broken.encode() + (
                b" is not sound, the checksum is not the stored one, or there is none !!!\n")))
            missing = os.path.join(directory, "missing.bin")
            self.assertEqual(run("verify", missing)[:2], (2, missing.encode() + (
                b" open failed, the file cannot be opened as a regular file !!!\n")))
        self.assertEqual(run("list")[0], 2)


# What list prints for the pack of examples/res.
LISTED = """\
       103 _index.txt
       173 Config.json
        77 data-notes.txt
       512 data/block512.bin
       513 data/block513.bin
         0 empty.dat
       300 img/icons/glyphs.bin
       256 img/icons/palette.bin
      1024 img/Tile1024.bin
      1025 img/tile1025.bin
       473 readme.txt
       122 settings.ini
        79 sound/levels/level1.txt
"""

if __name__ == "__main__":
    unittest.main()
