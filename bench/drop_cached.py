#!/usr/bin/env python3
"""Drops the cached pages of the files under each path given (files or
directories), after they were written back: `sync` first. The benchmark
calls it on each run's outputs, so every run finds the same amount of free
memory instead of allocating the page cache from ever fresher memory, which
on a virtual machine can cost several times more per page.

Usage: drop_cached.py PATH...
"""
import os
import sys


def drop(path):
    fd = os.open(path, os.O_RDONLY)
    try:
        os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
    finally:
        os.close(fd)


def main():
    for top in sys.argv[1:]:
        if os.path.isdir(top):
            for root, _, files in os.walk(top):
                for name in files:
                    drop(os.path.join(root, name))
        elif os.path.isfile(top):
            drop(top)
    return 0


if __name__ == "__main__":
    sys.exit(main())
