#!/usr/bin/env python3
"""Builds the two trees the pack-versus-tar benchmark times, byte for byte
the same on every run: a large tree of about 1 GiB in 300 files of 1 to
8 MiB, and a small tree of 2000 files of 0 to 16 KiB in about 100
directories. A tree already built (its stamp file DATA_DIR/NAME.complete present) is
left alone.

Usage: make_trees.py DATA_DIR
Creates DATA_DIR/big and DATA_DIR/small.
"""
import os
import random
import sys

MIB = 1 << 20


def write_file(path, size, generator):
    with open(path, "wb") as out:
        remaining = size
        while remaining > 0:
            piece = min(remaining, 4 * MIB)
            out.write(generator.randbytes(piece))
            remaining -= piece


def build_big(root):
    generator = random.Random(20261206)
    sizes = []
    for i in range(300):
        # Mostly 1 to 5 MiB, every fifth up to 8 MiB; odd lengths, so each
        # file ends in a partial block.
        top = 8 * MIB if i % 5 == 0 else 5 * MIB
        sizes.append(generator.randrange(MIB, top) | 1)
    for i, size in enumerate(sizes):
        directory = os.path.join(root, "set%02d" % (i % 12))
        os.makedirs(directory, exist_ok=True)
        write_file(os.path.join(directory, "blob%03d.bin" % i), size, generator)
    return sum(sizes)


def build_small(root):
    generator = random.Random(16384)
    total = 0
    for i in range(2000):
        directory = os.path.join(root, "d%02d" % (i % 10), "s%02d" % ((i // 10) % 10))
        os.makedirs(directory, exist_ok=True)
        size = generator.randrange(0, 16 * 1024 + 1)
        write_file(os.path.join(directory, "f%04d.dat" % i), size, generator)
        total += size
    return total


def main():
    if len(sys.argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    data_dir = sys.argv[1]
    for name, build in (("big", build_big), ("small", build_small)):
        root = os.path.join(data_dir, name)
        stamp_path = root + ".complete"
        if os.path.exists(stamp_path):
            continue
        os.makedirs(root, exist_ok=True)
        total = build(root)
        # The stamp lives beside the tree, not in it, so it is never packed.
        with open(stamp_path, "w") as stamp:
            stamp.write("%d bytes\n" % total)
        print("%s: %d bytes" % (root, total))
    return 0


if __name__ == "__main__":
    sys.exit(main())
