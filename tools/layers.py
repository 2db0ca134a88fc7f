#!/usr/bin/env python3
# SPDX-License-Identifier: Zlib
"""layers.py - checks that no #include runs back up the framework's layers.

    python3 tools/layers.py [SOURCE_DIR]      # prints "ok: ..." or one "FAIL: ..." line per fault

The layers, lowest first; a file may include its own folder and the folders of lower layers only
(gfx and sound sit side by side and include neither each other):

    ext < util < gfx, sound < app < gui < game,  and include/ (the one header) over the framework

A file in platform/<backend>/ belongs to the layer of the header it defines, read from the seam
table in platform/README.md; every file there must be in that table, and every file the table
names must exist. Tests, tools, benchmarks and examples sit outside the layers.

The game, the one header and the examples are programs on the framework: of its headers they
include only the installed ones (GLITZ_PUBLIC_HEADERS in cmake/glitz_framework.cmake), never its
insides (the *_internal.h headers and the like).
"""
import os
import re
import sys

RANK = {"ext": 0, "util": 1, "gfx": 2, "sound": 2, "app": 3, "gui": 4, "game": 5, "include": 4.5}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([a-z_]+)/')
SOURCE_SUFFIXES = (".h", ".c", ".cpp")


def may_include(src, dst):
    if src == dst:
        return True
    if dst not in RANK:
        return True   # a system or library header (SDL/, GL/, nlohmann/ ...)
    if RANK[dst] == RANK[src]:
        return False   # side by side
    return RANK[dst] < RANK[src]


FRAMEWORK = {"ext", "util", "gfx", "sound", "app", "gui"}
PROGRAMS = ("game", "include", "examples")
INCLUDED_PATH = re.compile(r'^\s*#\s*include\s*[<"]([a-z_]+/[A-Za-z_0-9./]+)[>"]')


def public_headers(root):
    """The framework headers installed for programs, from the set(GLITZ_PUBLIC_HEADERS ...) block."""
    with open(os.path.join(root, "cmake", "glitz_framework.cmake"), encoding="utf-8") as f:
        m = re.search(r"set\(GLITZ_PUBLIC_HEADERS\s+([^)]*)\)", f.read())
    return set(m.group(1).split()) if m else set()


def seam_table(root):
    """platform file (relative to platform/) -> layer folder of the header it defines."""
    layers = {}
    with open(os.path.join(root, "platform", "README.md"), encoding="utf-8") as f:
        for line in f:
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            if len(cells) < 3 or not cells[1].startswith("`"):
                continue
            headers = re.findall(r"`([a-z_]+)/[a-z_]+\.h`", cells[1])
            if not headers:
                continue
            for cell in cells[2:]:
                for path in re.findall(r"`([a-z_]+/[a-z_0-9]+\.cpp)`", cell):
                    layers[path] = headers[0]
    return layers


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    faults = []
    table = seam_table(root)
    files = []   # (path relative to root, layer)
    for folder in RANK:
        for dirpath, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if name.endswith(SOURCE_SUFFIXES):
                    files.append((os.path.relpath(os.path.join(dirpath, name), root), folder))
    platform_dir = os.path.join(root, "platform")
    seen = set()
    for dirpath, _, names in os.walk(platform_dir):
        for name in sorted(names):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            rel = os.path.relpath(os.path.join(dirpath, name), platform_dir)
            seen.add(rel)
            if rel not in table:
                faults.append(f"platform/{rel} is not in the seam table of platform/README.md")
                continue
            files.append(("platform/" + rel, table[rel]))
    for rel in sorted(set(table) - seen):
        faults.append(f"platform/README.md names platform/{rel}, which does not exist")

    for path, layer in files:
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if m and not may_include(layer, m.group(1)):
                    faults.append(f"{path}:{number}: {layer} includes {m.group(1)}/ ({line.strip()})")
    public = public_headers(root)
    if not public:
        faults.append("cmake/glitz_framework.cmake: no set(GLITZ_PUBLIC_HEADERS ...) to read")
    programs = 0
    for folder in PROGRAMS:
        for dirpath, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.relpath(os.path.join(dirpath, name), root)
                programs += 1
                with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDED_PATH.match(line)
                        if m and m.group(1).split("/")[0] in FRAMEWORK and m.group(1) not in public:
                            faults.append(f"{path}:{number}: {m.group(1)} is not an installed header "
                                          "(a program includes only GLITZ_PUBLIC_HEADERS)")
    for fault in faults:
        print("FAIL: " + fault)
    if not faults:
        print(f"ok: {len(files)} files, no include runs back up the layers; "
              f"{programs} program files include only installed framework headers")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
