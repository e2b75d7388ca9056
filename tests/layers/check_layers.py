#!/usr/bin/env python3
"""Checks that every project include stays within the layers its target links.

Usage: check_layers.py LAYER_MAP SOURCE_ROOT
       check_layers.py --self-test
The map (written by CMake) has one line per layer: NAME|DEPENDENCY,...|SOURCE;SOURCE...
A source of layer L may include a header owned by L or by a layer L links (directly or through
others); a header owned by any other layer is a violation. Headers no layer owns are not judged.
"""
import os
import re
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def read_map(path):
    layers = {}
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        if not line:
            continue
        name, deps, sources = line.split("|", 2)
        layers[name] = (set(filter(None, deps.split(","))), [s for s in sources.split(";") if s])
    return layers


def violations(layers, root):
    owner = {}
    for name, (_, sources) in layers.items():
        for source in sources:
            owner[os.path.realpath(source)] = name
    found = []
    for name, (deps, sources) in layers.items():
        allowed = deps | {name}
        for source in sources:
            try:
                text = open(source, encoding="utf-8", errors="replace").read()
            except OSError as e:
                # A source that cannot be read cannot be judged: never passed over in silence.
                found.append(f"{source} ({name}) cannot be read: {e.strerror}")
                continue
            for header in INCLUDE.findall(text):
                for base in (root, os.path.dirname(source)):
                    target = owner.get(os.path.realpath(os.path.join(base, header)))
                    if target:
                        break
                if target and target not in allowed:
                    found.append(f"{os.path.relpath(source, root)} ({name}) includes {header} ({target})")
    return found


def self_test():
    with tempfile.TemporaryDirectory() as root:
        def write(rel, text):
            path = os.path.join(root, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            open(path, "w").write(text)
            return path
        low = write("low/a.h", '#include "high/b.h"\n')
        high = write("high/b.h", '#include "low/a.h"\n')
        map_path = write("layers.txt", f"low||{low}\nhigh|low|{high}\n")
        found = violations(read_map(map_path), root)
        if found != ["low/a.h (low) includes high/b.h (high)"]:
            print("self-test failed:", found)
            return 1
        # A layer made in a sub-folder that wrote its sources relative to it.
        write("sub/layer/c.cpp", '#include "high/b.h"\n')
        found = violations(read_map(write("layers.txt", f"high||{high}\nsublayer||c.cpp\n")), root)
        if len(found) != 1 or "c.cpp (sublayer) cannot be read" not in found[0]:
            print("self-test failed: a relative source was not reported:", found)
            return 1
    print("self-test passed: a lower layer including a higher one and an unreadable source are reported")
    return 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    layers = read_map(sys.argv[1])
    found = violations(layers, sys.argv[2])
    for line in found:
        print("layer violation:", line)
    sources = sum(len(s) for _, s in layers.values())
    print(f"{len(layers)} layers checked, {sources} sources read, {len(found)} violations")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
