#!/usr/bin/env python3
"""Builds a large, realistic folder tree of Mac files on a Linux disk, for bench/walk-vs-find.sh.

usage: make-tree.py [--sparse] TREE ENTRIES

About 10% folders (a random recursive tree, typical depth 10-15), 88% files (61% under
4 KiB, most of the rest up to 64 KiB, a few large sparse ones), 1% symbolic links (to files,
to folders, dangling), 1% Finder aliases (half of them broken) whose FinderInfo sits in every
carrier a Linux disk knows: user.com.apple.FinderInfo, user.org.netatalk.Metadata,
user.DosStream.AFP_AfpInfo:$DATA, ._NAME sidecars, and none at all (alias by content). Some
ordinary files carry FinderInfo without the alias flag, some have ._NAME sidecars of their own.
Deterministic (fixed seed). Writes TREE/.korvex-tree-done last, holding the entry count.
TREE must not exist yet (its parents may): an existing path is refused, never written into.
--sparse: the ordinary files get their sizes but no data (holes only), so that trees of ten
million entries fit a small disk; the aliases and their carriers are written as always.
"""
import os
import random
import struct
import sys


def bookmark(target):
    """A minimal Finder alias data fork: 56-byte header and a data area holding the target's
    path components, its volume path "/" and name, and the creation options 0x400."""
    records = bytearray(b"\0\0\0\0")  # first TOC offset, patched below

    def record(kind, payload):
        offset = len(records)
        records.extend(struct.pack("<II", len(payload), kind))
        records.extend(payload)
        while len(records) % 4:
            records.append(0)
        return offset

    parts = [p for p in target.split("/") if p]
    part_offsets = [record(0x0101, p.encode()) for p in parts]
    components = record(0x0601, b"".join(struct.pack("<I", o) for o in part_offsets))
    vol_path = record(0x0101, b"/")
    vol_name = record(0x0101, b"Linux")
    options = record(0x0303, struct.pack("<i", 0x400))
    entries = [(0x1004, components), (0x2002, vol_path), (0x2010, vol_name), (0xD010, options)]
    toc = len(records)
    records.extend(struct.pack("<IIIII", 12 + 12 * len(entries), 0xFFFFFFFE, 1, 0, len(entries)))
    for key, offset in entries:
        records.extend(struct.pack("<III", key, offset, 0))
    records[0:4] = struct.pack("<I", toc)
    header = b"book\0\0\0\0mark\0\0\0\0" + struct.pack("<IIII", 0x38, 0x38, len(records), 0x10040000)
    header += bytes(56 - len(header))
    return header + bytes(records)


def finder_info(alias):
    return (b"alisMACS" if alias else b"TEXTttxt") + (b"\x80\x00" if alias else b"\x01\x00") + bytes(22)


def apple_double(info, filler=b"Mac OS X        "):
    # magic, version, filler, 2 entries: FinderInfo at 50 (32 bytes), empty resource fork at 82
    head = struct.pack(">II", 0x00051607, 0x00020000) + filler + struct.pack(">H", 2)
    head += struct.pack(">III", 9, 50, 32) + struct.pack(">III", 2, 82, 0)
    return head + info


def netatalk(info):
    # netatalk's 402-byte metadata, entries in its own order, FinderInfo at 122
    table = [(4, 0x9A, 0), (8, 0x9A + 200, 16), (9, 122, 32), (14, 0x9A + 216, 4)]
    blob = struct.pack(">II", 0x00051607, 0x00020000) + b"Netatalk        " + struct.pack(">H", 8)
    for kind, offset, length in table + [(0x80444556, 0, 0)] * 4:
        blob += struct.pack(">III", kind, offset, length)
    blob += info
    return blob + bytes(402 - len(blob))


def afp_info(info):
    return b"AFP\0" + struct.pack(">I", 0x100) + bytes(8) + info + bytes(12) + b"\0"


def main():
    args = sys.argv[1:]
    sparse = bool(args) and args[0] == "--sparse"
    if sparse:
        args = args[1:]
    if len(args) != 2:
        sys.exit(__doc__)
    tree, total = args[0], int(args[1])
    if os.path.lexists(tree):
        sys.exit("make-tree.py: %s exists already: refusing to write into it" % tree)
    rng = random.Random(20261206)
    os.makedirs(tree)
    folders = [tree]
    n_folders = max(1, total // 10)
    for i in range(1, n_folders):
        parent = folders[rng.randrange(0, i)]
        path = os.path.join(parent, "folder %05d" % i)
        os.mkdir(path)
        folders.append(path)

    n_links = total // 100
    n_aliases = total // 100
    n_files = total - n_folders - n_links - n_aliases
    files = []
    payload = os.urandom(4096)
    for i in range(n_files):
        folder = folders[rng.randrange(len(folders))]
        name = "file-%07d.%s" % (i, rng.choice(["txt", "jpg", "c", "pdf", "dat", "h"]))
        path = os.path.join(folder, name)
        roll = rng.random()
        if roll < 0.61:
            size = rng.randrange(0, 4096)
        elif roll < 0.995:
            size = rng.randrange(4096, 65536)
        else:
            size = rng.randrange(1 << 26, 1 << 31)  # large, sparse
        with open(path, "wb") as f:
            if not sparse:
                f.write(payload[: min(size, 4096)])
            if sparse or size > 4096:
                f.truncate(size)
        files.append(path)
        decoy = rng.random()
        if decoy < 0.01:
            os.setxattr(path, "user.com.apple.FinderInfo", finder_info(False))
        elif decoy < 0.02:
            with open(os.path.join(folder, "._" + name), "wb") as f:
                f.write(apple_double(finder_info(False)))

    carriers = ["xattr", "netatalk", "afpinfo", "sidecar", "content"]
    for i in range(n_aliases):
        folder = folders[rng.randrange(len(folders))]
        path = os.path.join(folder, "alias %06d" % i)
        if i % 2:
            target = os.path.abspath(files[rng.randrange(len(files))])
        else:
            target = os.path.abspath(os.path.join(tree, "gone", "missing %06d.txt" % i))
        with open(path, "wb") as f:
            f.write(bookmark(target))
        carrier = carriers[i % len(carriers)]
        info = finder_info(True)
        if carrier == "xattr":
            os.setxattr(path, "user.com.apple.FinderInfo", info)
        elif carrier == "netatalk":
            os.setxattr(path, "user.org.netatalk.Metadata", netatalk(info))
        elif carrier == "afpinfo":
            os.setxattr(path, "user.DosStream.AFP_AfpInfo:$DATA", afp_info(info))
        elif carrier == "sidecar":
            with open(os.path.join(folder, "._alias %06d" % i), "wb") as f:
                f.write(apple_double(info))

    for i in range(n_links):
        folder = folders[rng.randrange(len(folders))]
        kind = rng.random()
        if kind < 0.5:
            target = os.path.abspath(files[rng.randrange(len(files))])
        elif kind < 0.8:
            target = os.path.abspath(folders[rng.randrange(len(folders))])
        else:
            target = "/nonexistent/target %d" % i
        os.symlink(target, os.path.join(folder, "link %06d" % i))

    with open(os.path.join(tree, ".korvex-tree-done"), "w") as f:
        f.write("%d\n" % total)


if __name__ == "__main__":
    main()
