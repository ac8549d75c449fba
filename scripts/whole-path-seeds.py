#!/usr/bin/env python3
"""Writes the seed corpus of the whole-path fuzz target: every snapshot that loads
(tests/data/snapshots/*.json and examples/*.json), each with watches on the names
its stop routine sees, in the target's input form

    snapshot JSON \\0 watch expressions, one a line \\0 damage

Two seeds a snapshot: one undamaged, one with a little damage to every part, so that
the fuzzer starts with each operation in use.

    python3 scripts/whole-path-seeds.py [OUT]     (default fuzz/corpus/FuzzWholePath)
"""
import glob
import hashlib
import json
import os
import sys

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "fuzz/corpus/FuzzWholePath")

# One operation of each kind: a blob overwritten, the image flipped, a field's rank
# changed, a field renamed.
DAMAGE = bytes([0, 0, 0, 0, 4, 0, 4, 0xFF, 0xFF, 0xFF, 0x7F,
                1, 0, 0, 1, 8, 0, 4, 0x80, 0, 0, 0,
                2, 1, 0, 0x21, 0, 0, 0, 2,
                3, 2, 0, 3, ord("X"), ord("%"), ord("Y")])


def watches(doc):
    routines = {r.get("name"): r for r in doc.get("routines", []) if isinstance(r, dict)}
    stop = routines.get(doc.get("stop")) or next(iter(routines.values()), {})
    names = [v.get("name") for part in ("arguments", "locals", "statics")
             for v in stop.get(part, []) if isinstance(v, dict) and v.get("name")]
    lines = names[:3]
    if names:
        lines.append(names[0] + " + 1")
    return "\n".join(lines)


def main():
    os.makedirs(out, exist_ok=True)
    paths = sorted(glob.glob(os.path.join(root, "tests/data/snapshots/*.json")) +
                   glob.glob(os.path.join(root, "examples/*.json")))
    written = 0
    for path in paths:
        text = open(path, "rb").read()
        try:
            doc = json.loads(text)
        except ValueError:
            continue
        base = text + b"\0" + watches(doc).encode() + b"\0"
        for seed in (base, base + DAMAGE):
            name = hashlib.sha1(seed).hexdigest()
            with open(os.path.join(out, name), "wb") as f:
                f.write(seed)
            written += 1
    print(f"{written} seeds in {out}")


if __name__ == "__main__":
    main()
