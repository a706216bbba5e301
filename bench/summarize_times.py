#!/usr/bin/env python3
"""Summarizes the pack-versus-tar times: for each command and tree the
median wall time with its lowest and highest, the largest peak resident
set, and each blobsmith command's ratio to its tar counterpart (the ratio
of medians, and the lowest and highest ratio of runs made side by side).

Input lines: LABEL TREE MICROSECONDS PEAK_KIB
"""
import statistics
import sys
from collections import defaultdict

PAIRS = (("pack", "tar-c"), ("unpack", "tar-x"))


def main():
    times = defaultdict(list)
    peaks = defaultdict(int)
    with open(sys.argv[1]) as lines:
        for line in lines:
            label, tree, micros, peak = line.split()
            times[(label, tree)].append(int(micros) / 1e6)
            peaks[(label, tree)] = max(peaks[(label, tree)], int(peak))

    print("%-7s %-6s %5s %9s %9s %9s %10s" % ("command", "tree", "runs", "median_s", "min_s", "max_s", "peak_KiB"))
    for (label, tree), values in sorted(times.items(), key=lambda item: (item[0][1], item[0][0])):
        print("%-7s %-6s %5d %9.3f %9.3f %9.3f %10d" % (label, tree, len(values), statistics.median(values),
                                                     min(values), max(values), peaks[(label, tree)]))
    print()
    for tree in sorted({tree for _, tree in times}):
        for ours, theirs in PAIRS:
            a, b = times.get((ours, tree)), times.get((theirs, tree))
            if not a or not b:
                continue
            side_by_side = [x / y for x, y in zip(a, b)]
            print("%s/%s %-5s ratio of medians %.3f  (runs side by side: median %.3f, %.3f to %.3f)" % (
                ours, theirs, tree, statistics.median(a) / statistics.median(b),
                statistics.median(side_by_side), min(side_by_side), max(side_by_side)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
