#!/usr/bin/env python3
"""Adds broken Finder aliases to a tree made by make-tree.py, for bench/suggest-vs-scan.sh.

usage: add-moved-aliases.py TREE COUNT

Half of the COUNT aliases point at files of the tree as they were before their volume was
renamed and their folder moved (/Volumes/OldArchive/old-place/REL/NAME for TREE/REL/NAME): the
candidate search finds them again. The other half point at names that exist nowhere (deleted).
The aliases go to TREE/moved-aliases/, by content only (no FinderInfo), as after a copy that
lost the metadata. Deterministic (fixed seed). TREE must be a finished tree of make-tree.py
without moved-aliases/ yet: anything else is refused, never written into.
"""
import importlib.util
import os
import random
import sys


def main():
    tree, count = sys.argv[1], int(sys.argv[2])
    out = os.path.join(tree, "moved-aliases")
    if not os.path.isfile(os.path.join(tree, ".korvex-tree-done")):
        sys.exit("add-moved-aliases.py: %s is no finished tree of make-tree.py" % tree)
    if os.path.lexists(out):
        sys.exit("add-moved-aliases.py: %s exists already: refusing to write into it" % out)
    spec = importlib.util.spec_from_file_location(
        "make_tree", os.path.join(os.path.dirname(os.path.abspath(__file__)), "make-tree.py"))
    make_tree = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(make_tree)

    rng = random.Random(20261207)
    files = []
    seen = 0
    for folder, _, names in os.walk(tree):
        for name in names:
            if name.startswith("._") or name.startswith(".korvex"):
                continue
            path = os.path.join(folder, name)
            if not os.path.isfile(path) or os.path.islink(path):
                continue
            # Reservoir sample: memory stays at the sample, not the tree.
            seen += 1
            if len(files) < count // 2:
                files.append(path)
            else:
                at = rng.randrange(seen)
                if at < count // 2:
                    files[at] = path
    for i, path in enumerate(files):
        relative = os.path.relpath(path, tree)
        stored = "/Volumes/OldArchive/old-place/" + relative
        folder = os.path.join(out, "%03d" % (i % 100))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "moved-%05d alias" % i), "wb") as f:
            f.write(make_tree.bookmark(stored))
    for i in range(count - len(files)):
        folder = os.path.join(out, "%03d" % (i % 100))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "deleted-%05d alias" % i), "wb") as f:
            f.write(make_tree.bookmark("/Volumes/OldArchive/gone/deleted-%05d.dat" % i))
    print("added %d aliases to moved targets and %d to deleted ones" % (len(files), count - len(files)))


if __name__ == "__main__":
    main()
