#!/usr/bin/env python3
"""Write a pair of source trees, OUT/left and OUT/right, for benchmarks.

Same seed and options give byte-identical trees (content, names, permission
bits and nanosecond modification times). Standard library only.

Each tree holds --files files in --folders folders (both trees share the
folder layout) and about --mb megabytes. A share --common of the files is on
both sides; of all files, --newer have a newer and --older an older copy on
the right side (with other content). The rest are on one side only.

  gen_tree.py OUT                                 mixed pair (defaults)
  gen_tree.py OUT --identical                     right is an exact replica
  gen_tree.py OUT --differ 5                      replicas differing in 5 %
  gen_tree.py OUT --files 0 --large 200 --large-mib 8   only large files
"""

import argparse
import os
import random
import sys

# A fixed epoch keeps the trees independent of the day they are made on.
BASE_TIME = 1_600_000_000
DAY = 86_400

WORDS = [
    "Έγγραφα", "έγγραφο", "Φωτογραφίες", "μουσική", "Σημειώσεις", "ΑΡΧΕΙΟ",
    "Λογαριασμός", "ταξίδι", "Εργασία", "αντίγραφο", "Ημερολόγιο", "σχέδιο",
    "Report", "report", "NOTES", "photo", "Invoice", "backup", "Draft", "data",
    "Budget", "readme", "Letter", "IMG", "Scan", "summary", "Project", "music",
]
EXTS = [".txt", ".doc", ".pdf", ".jpg", ".JPG", ".png", ".mp3", ".xlsx",
        ".odt", ".csv", ".log", ".c", ".h", "", ".tar.gz", ".Δοκιμή"]

# (weight, smallest, largest) in bytes: mostly small files, a long tail.
SIZE_BUCKETS = [
    (5, 0, 0),
    (40, 1, 1024),
    (35, 1025, 4096),
    (15, 4097, 16384),
    (45 / 10, 16385, 65536),
    (5 / 10, 65537, 1 << 20),
]


def pick_size(rng):
    r = rng.random() * sum(w for w, _, _ in SIZE_BUCKETS)
    for weight, lo, hi in SIZE_BUCKETS:
        if r < weight:
            return rng.randint(lo, hi)
        r -= weight
    return SIZE_BUCKETS[-1][2]


def cased(rng, word):
    r = rng.random()
    if r < 0.15:
        return word.upper()
    if r < 0.3:
        return word.lower()
    return word


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__,
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("out", help="folder to create; must not exist or be empty")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--files", type=int, default=50_000, help="files per tree")
    p.add_argument("--folders", type=int, default=2_500, help="folders per tree")
    p.add_argument("--mb", type=float, default=200, help="megabytes per tree (without --large)")
    p.add_argument("--max-depth", type=int, default=8)
    p.add_argument("--common", type=float, default=0.6,
                   help="share of files on both sides (0..1)")
    p.add_argument("--newer", type=float, default=0.1,
                   help="share of all files whose right copy is newer")
    p.add_argument("--older", type=float, default=0.1,
                   help="share of all files whose right copy is older")
    mode = p.add_mutually_exclusive_group()
    mode.add_argument("--identical", action="store_true",
                      help="right is an exact replica of left")
    mode.add_argument("--differ", type=float, metavar="P",
                      help="replicas differing in P %% of their files: 40 %% of those newer "
                           "on the right, 40 %% newer on the left, 10 %% on each side only")
    p.add_argument("--large", type=int, default=0, metavar="K",
                   help="K extra large files, alternately on the left and the right")
    p.add_argument("--large-mib", type=int, default=8, metavar="S", help="size of each large file")
    a = p.parse_args(argv)
    if a.identical:
        a.common, a.newer, a.older = 1.0, 0.0, 0.0
    elif a.differ is not None:
        if not 0 <= a.differ <= 100:
            p.error("--differ: a percentage from 0 to 100")
        share = a.differ / 100
        a.common, a.newer, a.older = 1 - share * 0.2, share * 0.4, share * 0.4
    for name in ("common", "newer", "older"):
        if not 0 <= getattr(a, name) <= 1:
            p.error(f"--{name}: a share from 0 to 1")
    if a.newer + a.older > a.common + 1e-9:
        p.error("--newer plus --older cannot exceed --common")
    if a.files < 0 or a.folders < 0 or a.large < 0 or a.large_mib < 0:
        p.error("counts must not be negative")
    return a


def make_folders(rng, count, max_depth):
    """Relative folder paths; each folder's parent comes earlier in the list."""
    folders = [("", 0)]
    for i in range(count):
        # Favour recent folders as parents so that depth varies widely.
        if rng.random() < 0.5:
            parent, depth = folders[rng.randrange(len(folders))]
        else:
            parent, depth = folders[max(0, len(folders) - 1 - rng.randrange(8))]
        if depth >= max_depth:
            parent, depth = folders[0]
        name = f"{cased(rng, rng.choice(WORDS))} {i:05d}"
        folders.append((os.path.join(parent, name) if parent else name, depth + 1))
    return [f for f, _ in folders]


def main(argv):
    a = parse_args(argv)
    rng = random.Random(a.seed)
    if os.path.exists(a.out) and os.listdir(a.out):
        sys.exit(f"gen_tree.py: {a.out} exists and is not empty")

    # One pool of random bytes; file contents are slices of it, which is fast
    # and still incompressible.
    pool_size = max(4 << 20, 2 * (a.large_mib << 20) if a.large else 0)
    pool = rng.randbytes(pool_size)

    folders = make_folders(rng, a.folders, a.max_depth)

    # Entries: (side set, relative path, size, offset, mtime) per file; a file on
    # both sides with another version on the right gets a second entry.
    n_common = round(a.files * a.common)
    n_newer = round(a.files * a.newer)
    n_older = round(a.files * a.older)
    n_only = a.files - n_common
    kinds = (["same"] * (n_common - n_newer - n_older) + ["newer"] * n_newer
             + ["older"] * n_older + ["left"] * n_only + ["right"] * n_only)
    rng.shuffle(kinds)

    sizes = [pick_size(rng) for _ in kinds]
    total = sum(sizes)
    want = int(a.mb * 1_000_000 * len(kinds) / a.files) if a.files else 0
    if total and want:
        sizes = [min(pool_size, s * want // total) for s in sizes]

    entries = {"left": [], "right": []}
    for i, (kind, size) in enumerate(zip(kinds, sizes)):
        folder = folders[rng.randrange(len(folders))]
        name = f"{cased(rng, rng.choice(WORDS))}_{i:06d}{rng.choice(EXTS)}"
        path = os.path.join(folder, name) if folder else name
        offset = rng.randrange(pool_size - size + 1)
        mtime = BASE_TIME * 10**9 + rng.randrange(1000 * DAY) * 10**9 + rng.randrange(10**9)
        if kind != "right":
            entries["left"].append((path, size, offset, mtime))
        if kind in ("same", "right"):
            entries["right"].append((path, size, offset, mtime))
        elif kind in ("newer", "older"):
            shift = (rng.randrange(DAY, 60 * DAY) * 10**9 + rng.randrange(10**9))
            other_size = max(1, size + rng.randrange(-size // 4 - 1, size // 4 + 2))
            other_offset = rng.randrange(pool_size - other_size + 1)
            entries["right"].append((path, other_size, other_offset,
                                     mtime + shift if kind == "newer" else mtime - shift))

    for k in range(a.large):
        side = "left" if k % 2 == 0 else "right"
        folder = folders[rng.randrange(len(folders))]
        name = f"{cased(rng, rng.choice(['Βίντεο', 'Video', 'Εικόνα δίσκου', 'disk']))}_{k:04d}.bin"
        size = a.large_mib << 20
        mtime = BASE_TIME * 10**9 + rng.randrange(1000 * DAY) * 10**9
        entries[side].append((os.path.join(folder, name) if folder else name, size,
                              rng.randrange(pool_size - size + 1), mtime))

    folder_time = BASE_TIME * 10**9 + 1000 * DAY * 10**9
    for side in ("left", "right"):
        root = os.path.join(a.out, side)
        for f in folders:
            os.makedirs(os.path.join(root, f), exist_ok=True)
        for path, size, offset, mtime in entries[side]:
            full = os.path.join(root, path)
            with open(full, "wb") as fh:
                fh.write(pool[offset:offset + size])
            os.chmod(full, 0o644)
            os.utime(full, ns=(mtime, mtime))
        # Deepest first, so that setting a folder's time is not undone by its children.
        for f in sorted(folders, key=lambda p: p.count(os.sep), reverse=True):
            full = os.path.join(root, f)
            os.chmod(full, 0o755)
            os.utime(full, ns=(folder_time, folder_time))
        print(f"{root}: {len(entries[side])} files, {len(folders) - 1} folders, "
              f"{sum(e[1] for e in entries[side]):,} bytes")


if __name__ == "__main__":
    main(sys.argv[1:])
