#!/usr/bin/env python3
"""Folder-to-folder include graph of the source tree, as drawn in docs/house.md.

    python3 docs/house_graph.py [ROOT]

Prints one line per pair of folders, "from -> to  (n)": n #include lines in the files of
`from` name a header of `to`. Folders are the first path component; commands/synth counts as
commands. Tests, benchmarks and fuzzing harnesses are left out: the house is the program.
"""
import collections
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
skip = {"tests", "bench", "fuzz", "build", "docs"}
include = re.compile(r'^\s*#\s*include\s+"([^"/]+)/')
edges = collections.Counter()
for path in sorted(root.rglob("*.[ch]pp")):
    rel = path.relative_to(root)
    if rel.parts[0] in skip or rel.parts[0].startswith("build"):
        continue
    for line in path.read_text(errors="replace").splitlines():
        m = include.match(line)
        if m and m.group(1) != rel.parts[0]:
            edges[(rel.parts[0], m.group(1))] += 1
for (a, b), n in sorted(edges.items()):
    print(f"{a:12s} -> {b:12s} ({n})")
