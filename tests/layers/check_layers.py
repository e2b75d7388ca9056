#!/usr/bin/env python3
"""Checks the layers: every project include stays within the layers its target links, every
folder of sources feeds one layer, and the program's windows live in ui/ folders.

Usage: check_layers.py LAYER_MAP SOURCE_ROOT
       check_layers.py --self-test
The map (written by CMake) has one line per layer: NAME|DEPENDENCY,...|SOURCE;SOURCE... with
absolute source paths. A source of layer L may include a header owned by L or by a layer L links
(directly or through others); a header owned by any other layer is a violation. Headers no layer
owns are not judged. A source that cannot be read is an error, never skipped.
"""
import os
import re
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
# A top-level window: a main window or dialog class, or a widget made a window of its own.
WINDOW_CLASS = re.compile(r"^\s*class\s+(\w+)\s*(?:final\s*)?:\s*public\s+(QMainWindow|QDialog|QFileDialog|QWizard)\b",
                          re.M)
WINDOW_FLAG = re.compile(r"\bQ\w*\(\s*parent\s*,\s*Qt::(?:Tool|Window|Dialog)\b")
WINDOW_TITLE = re.compile(r"\bsetWindowTitle\s*\(|\bsetWindowFlags?\s*\(\s*Qt::(?:Tool|Window|Dialog)\b")
SOURCE_FILE = re.compile(r"\.(cpp|h|inc)$")
UI_INDEX = "# Windows:"
# Folders of programs, not layers: the executables' own sources, the tests, benchmarks, fuzz
# targets, tools, the Python module and the companion library. Every other folder that holds
# sources is a layer's.
PROGRAM_FOLDERS = ("app", "app/cli")
PROGRAM_TREES = ("tests", "bench", "fuzz", "tools", "python", "sonellib", "docs")


def read_map(path):
    layers = {}
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        if not line:
            continue
        name, deps, sources = line.split("|", 2)
        layers[name] = (set(filter(None, deps.split(","))), [s for s in sources.split(";") if s])
    return layers


def in_ui_folder(rel):
    return "ui" in rel.split(os.sep)[:-1]


def violations(layers, root):
    """Returns (problems, sources read)."""
    found = []
    owner = {}
    folders = {}
    for name, (_, sources) in layers.items():
        for source in sources:
            if not os.path.isabs(source):
                found.append(f"{source} ({name}): not an absolute path in the layer map")
                continue
            owner[os.path.realpath(source)] = name
            folders.setdefault(os.path.dirname(os.path.realpath(source)), set()).add(name)
    for folder, names in sorted(folders.items()):
        if len(names) > 1:
            found.append(f"{os.path.relpath(folder, root)}/ feeds {len(names)} layers: {', '.join(sorted(names))}")
    # A source outside the programs' folders that no layer lists is built by nobody and checked
    # by nobody.
    for folder, subfolders, entries in os.walk(root):
        rel_folder = os.path.relpath(folder, root)
        subfolders[:] = sorted(d for d in subfolders if not d.startswith(".") and not d.startswith("build"))
        if rel_folder in PROGRAM_FOLDERS or rel_folder.split(os.sep)[0] in PROGRAM_TREES:
            continue
        for entry in sorted(entries):
            path = os.path.join(folder, entry)
            if SOURCE_FILE.search(entry) and os.path.realpath(path) not in owner:
                found.append(f"{os.path.relpath(path, root)}: a source in no layer")
    read = 0
    ui_windows = {}
    for name, (deps, sources) in layers.items():
        allowed = deps | {name}
        for source in sources:
            if not os.path.isabs(source):
                continue
            rel = os.path.relpath(source, root)
            try:
                text = open(source, encoding="utf-8", errors="replace").read()
            except OSError as e:
                found.append(f"{rel} ({name}): cannot be read: {e.strerror}")
                continue
            read += 1
            for header in INCLUDE.findall(text):
                target = None
                for base in (root, os.path.dirname(source)):
                    target = owner.get(os.path.realpath(os.path.join(base, header)))
                    if target:
                        break
                if target and target not in allowed:
                    found.append(f"{rel} ({name}) includes {header} ({target})")
            if in_ui_folder(rel):
                for match in WINDOW_CLASS.finditer(text):
                    ui_windows.setdefault(os.path.dirname(os.path.realpath(source)), set()).add(match.group(1))
            else:
                for match in WINDOW_CLASS.finditer(text):
                    found.append(f"{rel} ({name}): the window {match.group(1)} is outside a ui/ folder")
                if WINDOW_FLAG.search(text) or WINDOW_TITLE.search(text):
                    found.append(f"{rel} ({name}): a widget shown as a window of its own outside a ui/ folder")
    for folder in sorted(folders):
        rel = os.path.relpath(folder, root)
        lists = os.path.join(folder, "CMakeLists.txt")
        if os.path.basename(folder) == "ui" and os.path.exists(lists):
            first = open(lists, encoding="utf-8").readline()
            if not first.startswith(UI_INDEX):
                found.append(f"{rel}/CMakeLists.txt does not start with its windows' index ({UI_INDEX} ...)")
                continue
            listed = set(re.findall(r"\w+", first))
            for window in sorted(ui_windows.get(folder, ())):
                if window not in listed:
                    found.append(f"{rel}/CMakeLists.txt: the index does not name the window {window}")
    return found, read


def self_test():
    failures = []
    with tempfile.TemporaryDirectory() as root:
        def write(rel, text):
            path = os.path.join(root, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            open(path, "w").write(text)
            return path

        def expect(what, map_text, wanted):
            found, _ = violations(read_map(write("layers.txt", map_text)), root)
            if not any(wanted in line for line in found):
                failures.append(f"{what}: expected a line with {wanted!r}, got {found}")

        low = write("low/a.h", '#include "high/b.h"\n')
        high = write("high/b.h", '#include "low/a.h"\n')
        expect("an upward include", f"low||{low}\nhigh|low|{high}\n", "low/a.h (low) includes high/b.h (high)")
        # A layer made in a sub-folder whose sources were written relative to it.
        write("sub/layer/c.cpp", '#include "high/b.h"\n')
        expect("a relative path", f"high||{high}\nsublayer||c.cpp\n", "c.cpp (sublayer): not an absolute path")
        expect("an unreadable source", f"high||{high}\nghost||{os.path.join(root, 'sub/gone.cpp')}\n",
               "sub/gone.cpp (ghost): cannot be read")
        two = write("mixed/d.cpp", "\n")
        other = write("mixed/e.cpp", "\n")
        expect("a folder feeding two layers", f"one||{two}\ntwo|one|{other}\n", "mixed/ feeds 2 layers: one, two")
        window = write("logic/f.h", "class TForm99 : public QDialog {\n};\n")
        expect("a window outside ui/", f"logic||{window}\n", "the window TForm99 is outside a ui/ folder")
        tool = write("logic2/g.cpp", "TForm98::TForm98(QWidget* parent) : QWidget(parent, Qt::Tool) {}\n")
        expect("a tool window outside ui/", f"logic2||{tool}\n", "shown as a window of its own")
        titled = write("logic3/t.cpp", "TPanel::TPanel() { setWindowTitle(tr(\"Panel\")); }\n")
        expect("a titled widget outside ui/", f"logic3||{titled}\n", "shown as a window of its own")
        listed = write("logic4/k.cpp", "\n")
        write("logic4/stray.cpp", "\n")
        expect("a source no layer lists", f"logic4||{listed}\n", "logic4/stray.cpp: a source in no layer")
        write("forgotten/ui/w.cpp", "\n")
        expect("a folder whose sources no layer lists", f"logic4||{listed}\n", "forgotten/ui/w.cpp: a source in no layer")
        write("app/main.cpp", "\n")
        found, _ = violations(read_map(write("layers.txt", f"logic4||{listed}\n")), root)
        if any("app/main.cpp" in line for line in found):
            failures.append(f"a program's own source was taken for a layer's: {found}")
        ui = write("app/ui/h.cpp", "class TForm97 : public QMainWindow {};\n")
        write("app/ui/CMakeLists.txt", "target_sources(x PRIVATE h.cpp)\n")
        expect("a ui/ folder without its index", f"ui||{ui}\n", "does not start with its windows' index")
        write("app/ui/CMakeLists.txt", f"{UI_INDEX} g \"Other\" TForm96\n")
        expect("a ui/ folder whose index misses a window", f"ui||{ui}\n", "does not name the window TForm97")
    with tempfile.TemporaryDirectory() as root:  # a tree without faults
        window = os.path.join(root, "app/ui/h.cpp")
        os.makedirs(os.path.dirname(window))
        open(window, "w").write("class TForm97 : public QMainWindow {};\n")
        open(os.path.join(root, "app/ui/CMakeLists.txt"), "w").write(f"{UI_INDEX} h \"Main\" TForm97\n")
        open(os.path.join(root, "app/main.cpp"), "w").write("int main() {}\n")
        map_path = os.path.join(root, "layers.txt")
        open(map_path, "w").write(f"ui||{window}\n")
        found, read = violations(read_map(map_path), root)
        if found or read != 1:
            failures.append(f"a window inside an indexed ui/ folder: expected no violation, got {found}")
    for failure in failures:
        print("self-test failed:", failure)
    if failures:
        return 1
    print("self-test passed: upward includes, relative and unreadable sources, folders feeding two layers, "
          "windows outside ui/, sources no layer lists and ui/ folders without a full index are reported")
    return 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    layers = read_map(sys.argv[1])
    found, read = violations(layers, sys.argv[2])
    for line in found:
        print("layer violation:", line)
    total = sum(len(sources) for _, sources in layers.values())
    print(f"{len(layers)} layers checked, {read} of {total} sources read, {len(found)} violations")
    return 1 if found or read != total else 0


if __name__ == "__main__":
    sys.exit(main())
