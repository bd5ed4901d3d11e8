#!/usr/bin/env python3
"""Lays out a directory tree for the search benchmark and the search tests.

Shapes:
  tree  FANOUT DEPTH FILES  every directory down to DEPTH levels holds FANOUT subdirectories and
                            FILES files (fan-out 7, depth 5, three files: 19,608 directories)
  chain DEPTH               one directory inside the next, DEPTH levels deep
  flat  ENTRIES             one directory holding ENTRIES subdirectories

The folder is made afresh unless it already holds the same shape (a stamp file records it).
"""
import argparse
import os
import shutil
import sys


def make_tree(folder, fanout, depth, files):
    for index in range(files):
        with open(os.path.join(folder, f"file{index}.txt"), "w") as handle:
            handle.write("x")
    if depth == 0:
        return
    for index in range(fanout):
        child = os.path.join(folder, f"dir{index}")
        os.mkdir(child)
        make_tree(child, fanout, depth - 1, files)


def make_chain(folder, depth):
    for _ in range(depth):
        folder = os.path.join(folder, "d")
        os.mkdir(folder)


def make_flat(folder, entries):
    for index in range(entries):
        os.mkdir(os.path.join(folder, f"entry{index:05}"))


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("folder")
    parser.add_argument("shape", choices=["tree", "chain", "flat"])
    parser.add_argument("sizes", type=int, nargs="+")
    args = parser.parse_args()
    wanted = {"tree": 3, "chain": 1, "flat": 1}[args.shape]
    if len(args.sizes) != wanted:
        parser.error(f"{args.shape} takes {wanted} size(s)")

    stamp = os.path.join(args.folder, ".shape")
    shape = " ".join([args.shape] + [str(size) for size in args.sizes])
    if os.path.exists(stamp) and open(stamp).read() == shape:
        return 0
    shutil.rmtree(args.folder, ignore_errors=True)
    os.makedirs(args.folder)
    sys.setrecursionlimit(10000)
    if args.shape == "tree":
        make_tree(args.folder, *args.sizes)
    elif args.shape == "chain":
        make_chain(args.folder, *args.sizes)
    else:
        make_flat(args.folder, *args.sizes)
    with open(stamp, "w") as handle:
        handle.write(shape)
    return 0


if __name__ == "__main__":
    sys.exit(main())
