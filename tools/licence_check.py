#!/usr/bin/env python3
# SPDX-License-Identifier: Zlib
"""licence_check.py - finds what is really inside a package and checks that the package carries the
full text of every licence that applies to it.

    tools/licence_check.py deb     PACKAGE.deb
    tools/licence_check.py windows --map build-win/glitzfall.map --exe build-win/glitzfall.exe PACKAGE
    tools/licence_check.py web     --map build-web/glitzfall.map PACKAGE
    tools/licence_check.py source  .          (each committed code file names its licence)

PACKAGE is a folder or a zip (the Windows zip, the web zip or the web dist folder); the Windows
installer is checked through the folder it installed. What is inside comes from the package's files
(DLLs, fonts) and from the program's link map (every archive member and object the linker took), so
a library linked in shows up even when nobody listed it. Each one found must have its text in the
package's licences/ folder (the .deb: its copyright file), as a full text: a file that points at
/usr/share/common-licenses/NAME must also hold that text. On Windows an LGPL library must come as a
DLL the player can swap, never from a static archive. An input the table below does not know fails
too: a new library needs its licence named here before it can ship.

Prints "ok: ..." and "FAIL: ..." lines; exits 1 when anything failed.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import zipfile

# Sentences that only the full text of a licence holds (its last clauses, not its name).
ZLIB = ["This notice may not be removed or altered from any source distribution"]
LGPL21 = ["GNU LESSER GENERAL PUBLIC LICENSE", "Version 2.1, February 1999", "END OF TERMS AND CONDITIONS"]
APACHE2 = ["Apache License", "Version 2.0, January 2004", "END OF TERMS AND CONDITIONS"]
GPL3 = ["GNU GENERAL PUBLIC LICENSE", "Version 3, 29 June 2007", "END OF TERMS AND CONDITIONS"]
GCC_EXCEPTION = ["GCC RUNTIME LIBRARY EXCEPTION", "Eligible Compilation Process"]
BSD = ["Redistribution and use in source and binary forms", "Redistributions in binary form must reproduce"]
MIT = ["Permission is hereby granted, free of charge"]
VERA = ["Bitstream Vera is a trademark", "may be sold as part of a larger software package"]
STB = ["public domain"]
ZPL = ["Names of the copyright holders must not be used to endorse"]
# The exception's own first sentence: LLVM's LICENSE.TXT and Debian's copyright files (emscripten's
# among them, which words it without LICENSE.TXT's heading) both hold it.
LLVM = ["As an exception, if, as a result of your compiling your source code, portions of this Software "
        "are embedded into an Object form of such source code"]

# name: (licence file in licences/, texts it must hold, LGPL)
COMPONENTS = {
    "glitzfall": ("glitzfall.txt", ZLIB, False),
    "fonts": ("fonts.txt", VERA, False),
    "stb_image": ("stb.txt", STB, False),
    "SDL 1.2": ("libsdl1.2.txt", LGPL21, True),
    "SDL 1.2 entry (public domain)": ("libsdl1.2.txt", [], False),
    "libxmp": ("libxmp.txt", LGPL21, True),
    "libsndfile": ("libsndfile.txt", LGPL21, True),
    "libsndfile ALAC": ("libsndfile.txt", APACHE2, False),
    "libogg": ("libogg.txt", BSD, False),
    "libvorbis": ("libvorbis.txt", BSD, False),
    "mingw-w64 runtime": ("mingw-w64.txt", ZPL, False),
    "winpthreads": ("mingw-w64.txt", MIT, False),
    "GCC runtime": ("gcc.txt", GPL3 + GCC_EXCEPTION, False),
    "emscripten runtime": ("emscripten.txt", MIT, False),
    "musl libc": ("emscripten.txt", MIT, False),
    "LLVM runtime": ("emscripten.txt", LLVM, False),
}

# Linker inputs: (pattern on the archive path or object path, pattern on the member or None,
# component). The first row that matches decides.
INPUTS = [
    (r"(^|/)libglitz\.a$", r"stb_image\.c\.o(bj)?$", "stb_image"),
    (r"(^|/)libglitz(_game)?\.a$", None, "glitzfall"),
    (r"(^|/)CMakeFiles/[^ ]+\.(o|obj|a)$", None, "glitzfall"),
    (r"/libSDLmain\.a$", None, "SDL 1.2 entry (public domain)"),
    (r"/libSDL\.a$", None, "SDL 1.2"),
    (r"/libSDL\.dll\.a$", None, "SDL 1.2"),
    (r"/libxmp(\.dll)?\.a$", None, "libxmp"),
    (r"/libsndfile(\.dll)?\.a$", r"(?i)alac", "libsndfile ALAC"),
    (r"/libsndfile(\.dll)?\.a$", None, "libsndfile"),
    (r"/libogg\.a$", None, "libogg"),
    (r"/libvorbis(file|enc)?\.a$", None, "libvorbis"),
    (r"/lib(win)?pthread\.a$", None, "winpthreads"),
    (r"/(libstdc\+\+|libsupc\+\+|libgcc|libgcc_eh|libssp)\.a$", None, "GCC runtime"),
    (r"/gcc/x86_64-w64-mingw32/[^/]+/crt(begin|end)\.o$", None, "GCC runtime"),
    (r"/x86_64-w64-mingw32/lib/[^/]+\.(a|o)$", None, "mingw-w64 runtime"),   # CRT and import stubs
    (r"/wasm32-emscripten/lib(c|c-[^/]*|c_rt[^/]*|stubs[^/]*|sockets[^/]*|noexit)\.a$", None, "musl libc"),
    (r"/wasm32-emscripten/lib(c\+\+|c\+\+abi|compiler_rt|unwind)[^/]*\.a$", None, "LLVM runtime"),
    (r"/wasm32-emscripten/[^/]+\.(a|o)$", None, "emscripten runtime"),   # GL, dlmalloc, crt1 ...
]

# Windows DLLs: a system DLL, or one of ours that must be in the package.
SYSTEM_DLLS = {n.lower() for n in """kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll
    ole32.dll oleaut32.dll msvcrt.dll ws2_32.dll winmm.dll opengl32.dll glu32.dll comdlg32.dll
    comctl32.dll imm32.dll version.dll shlwapi.dll dsound.dll dinput.dll uuid.dll""".split()}
DLLS = [(r"^sdl\.dll$", "SDL 1.2"), (r"^libxmp(-\d+)?\.dll$", "libxmp"),
        (r"^libsndfile(-\d+)?\.dll$", "libsndfile"), (r"^libsndfile(-\d+)?\.dll$", "libsndfile ALAC")]

failures = 0


def ok(msg):
    print("ok: " + msg)


def fail(msg):
    global failures
    failures += 1
    print("FAIL: " + msg)


def classify(path, member):
    for path_re, member_re, comp in INPUTS:
        if re.search(path_re, path) and (member_re is None or (member and re.search(member_re, member))):
            return comp
    return None


def link_inputs(map_text):
    """(archive, member) pairs and plain objects the linker took, from a GNU ld or wasm-ld map."""
    found = set()
    for m in re.finditer(r"([^\s():]+\.a)\(([^)\s]+)\)", map_text):
        found.add((m.group(1), m.group(2)))
    for m in re.finditer(r"(?<![(\w])(/[^\s():]+\.o(?:bj)?)\b", map_text):
        found.add((m.group(1), None))
    return found


def components_of_map(map_path, platform):
    """Components the program holds, each with one example input, and the LGPL ones taken static."""
    with open(map_path, encoding="utf-8", errors="replace") as f:
        inputs = link_inputs(f.read())
    if not inputs:
        fail(f"{map_path}: no archive or object named in the link map")
        return {}
    comps = {}
    static_lgpl = set()
    for path, member in sorted(inputs, key=lambda i: (i[0], i[1] or "")):
        comp = classify(path, member)
        if comp is None:
            fail(f"{map_path}: {path}{'(' + member + ')' if member else ''} is linked in, "
                 "with no licence known for it (name it in tools/licence_check.py)")
            continue
        comps.setdefault(comp, f"{path}{'(' + member + ')' if member else ''}")
        lgpl = COMPONENTS[comp][2]
        if platform == "windows" and lgpl and path.endswith(".a") and not path.endswith(".dll.a") \
                and comp not in static_lgpl:
            static_lgpl.add(comp)
            fail(f"{comp} (LGPL) is linked statically into the program: {os.path.basename(path)}({member})")
    return comps


def common_licence_first_lines(name):
    path = os.path.join("/usr/share/common-licenses", name)
    if not os.path.isfile(path):
        return None
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = [l.strip() for l in f if l.strip()]
    return lines[:3]


def check_full_text(label, text):
    """A text naming /usr/share/common-licenses/NAME must hold that licence's own first lines."""
    flat = " ".join(text.split())
    for name in sorted(set(re.findall(r"/usr/share/common-licenses/([A-Za-z0-9.+-]+[A-Za-z0-9+])", text))):
        first = common_licence_first_lines(name)
        if first is None:
            fail(f"{label} points at /usr/share/common-licenses/{name}, which this machine lacks to compare")
        elif not all(" ".join(l.split()) in flat for l in first):
            fail(f"{label} points at /usr/share/common-licenses/{name} without holding its text")


def check_texts(licences, comps, where):
    """licences: {file name: text}. Every component's file holds its sentences in full."""
    flat = {name: " ".join(text.split()) for name, text in licences.items()}
    for comp, example in sorted(comps.items()):
        fname, needs, _ = COMPONENTS[comp]
        if fname not in flat:
            fail(f"{where}: {comp} is inside ({example}) but {fname} is missing")
            continue
        missing = [s for s in needs if " ".join(s.split()) not in flat[fname]]
        if missing:
            fail(f"{where}: {fname} lacks the full licence text for {comp} (no \"{missing[0]}\")")
        else:
            ok(f"{where}: {comp} is inside, {fname} holds its licence")
    for name, text in sorted(licences.items()):
        check_full_text(f"{where}: {name}", text)


class Package:
    """A folder or a zip, read the same way: relative names with '/', and their bytes."""

    def __init__(self, path):
        self.path = path
        self.files = {}
        if os.path.isdir(path):
            for root, _, names in os.walk(path):
                for n in names:
                    full = os.path.join(root, n)
                    self.files[os.path.relpath(full, path).replace(os.sep, "/")] = full
            self.zip = None
        else:
            self.zip = zipfile.ZipFile(path)
            for n in self.zip.namelist():
                if not n.endswith("/"):
                    self.files[n] = n
        # A zip holding one top folder (glitzfall-<version>/) is read from inside it.
        tops = {n.split("/", 1)[0] for n in self.files}
        self.prefix = ""
        if len(tops) == 1 and all("/" in n for n in self.files):
            self.prefix = tops.pop() + "/"

    def names(self):
        return [n[len(self.prefix):] for n in self.files if n.startswith(self.prefix)]

    def read(self, name):
        key = self.prefix + name
        if self.zip:
            return self.zip.read(self.files[key])
        with open(self.files[key], "rb") as f:
            return f.read()


def licences_of(pkg, where, crlf):
    texts = {}
    for n in pkg.names():
        if n.startswith("licences/") and n.endswith(".txt") and n.count("/") == 1:
            data = pkg.read(n)
            if crlf and re.search(rb"(?<!\r)\n", data):
                fail(f"{where}: {n} has line ends other than CR LF")
            texts[n.split("/", 1)[1]] = data.decode("utf-8", errors="replace")
    if not texts:
        fail(f"{where}: no licences/ folder")
    return texts


def check_windows(args):
    pkg = Package(args.package)
    where = os.path.basename(args.package.rstrip("/"))
    comps = components_of_map(args.map, "windows")
    names = pkg.names()
    lower = {n.lower(): n for n in names if "/" not in n}
    if any(re.search(r"(^|/)font[^/]*\.png$", n) for n in names):
        comps["fonts"] = "data/font*.png"
    # Every DLL in the package, and every DLL the program imports that Windows does not bring.
    for n in lower:
        if n.endswith(".dll"):
            for pattern, comp in DLLS:
                if re.match(pattern, n):
                    comps[comp] = lower[n]
            if not any(re.match(p, n) for p, _ in DLLS):
                fail(f"{where}: {lower[n]} is shipped, with no licence known for it")
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", args.exe], capture_output=True, text=True)
    imports = re.findall(r"DLL Name: (\S+)", dump.stdout)
    if not imports:
        fail(f"{args.exe}: no imported DLL found")
    for dll in imports:
        if dll.lower() not in SYSTEM_DLLS and dll.lower() not in lower:
            fail(f"{where}: the program imports {dll}, which the package does not carry")
    lgpl_dlls = sorted(lower[n] for n in lower if any(re.match(p, n) for p, c in DLLS if COMPONENTS[c][2]))
    ok(f"{where}: the LGPL libraries are DLLs a player can swap: {', '.join(lgpl_dlls) or 'none'}")
    check_texts(licences_of(pkg, where, crlf=True), comps, where)


def check_web(args):
    pkg = Package(args.package)
    where = os.path.basename(args.package.rstrip("/"))
    comps = components_of_map(args.map, "web")
    comps["fonts"] = "glitzfall.data: font*.png"
    comps["emscripten runtime"] = "glitzfall.js"
    names = pkg.names()
    check_texts(licences_of(pkg, where, crlf=False), comps, where)
    # No dynamic linking in a browser: the LGPL libraries' complete source comes with the page.
    for comp in sorted(c for c in comps if COMPONENTS[c][2]):
        pkgname = {"libxmp": "libxmp", "libsndfile": "libsndfile"}.get(comp, comp)
        if not any(re.match(rf"source/{re.escape(pkgname)}_[^/]+\.dsc$", n) for n in names):
            fail(f"{where}: {comp} (LGPL) is linked into the page without its source package in source/")
        else:
            ok(f"{where}: {comp}'s Debian source package is in source/")
    if not any(re.match(r"source/glitzfall-[^/]+-source\.tar\.gz$", n) for n in names):
        fail(f"{where}: the game's source archive is not in source/")
    page = pkg.read("index.html").decode("utf-8", errors="replace") if "index.html" in names else ""
    if not re.search(r"<a [^>]*href=\"licences/[^\"]*\"[^>]*>\s*Licences\s*</a>", page):
        fail(f"{where}: index.html has no \"Licences\" link into licences/")


def check_deb(args):
    where = os.path.basename(args.package)
    listing = subprocess.run(["dpkg-deb", "-c", args.package], capture_output=True, text=True, check=True).stdout
    names = [l.split()[-1].lstrip(".") for l in listing.splitlines() if l.strip()]
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["dpkg-deb", "-x", args.package, tmp], check=True)
        pkgname = subprocess.run(["dpkg-deb", "-f", args.package, "Package"], capture_output=True,
                                 text=True, check=True).stdout.strip()
        copyright_path = os.path.join(tmp, "usr/share/doc", pkgname, "copyright")
        if not os.path.isfile(copyright_path):
            fail(f"{where}: no /usr/share/doc/{pkgname}/copyright")
            return
        with open(copyright_path, encoding="utf-8") as f:
            text = f.read()
        comps = {"glitzfall": "the program and its data"}
        if any(re.search(r"/font[^/]*\.png$", n) for n in names):
            comps["fonts"] = "font*.png"
        # One copyright file holds every text: the file names of the table all point at it.
        flat = " ".join(text.split())
        for comp, example in sorted(comps.items()):
            missing = [s for s in COMPONENTS[comp][1] if " ".join(s.split()) not in flat]
            if missing:
                fail(f"{where}: the copyright file lacks the full licence text for {comp} (no \"{missing[0]}\")")
            else:
                ok(f"{where}: {comp} is inside, the copyright file holds its licence")
        check_full_text(f"{where}: copyright", text)
        # Libraries come from Debian's own packages, with their own copyright files: only shared.
        for n in names:
            full = os.path.join(tmp, n.lstrip("/"))
            if os.path.isfile(full) and not os.path.islink(full) and open(full, "rb").read(4) == b"\x7fELF":
                dyn = subprocess.run(["readelf", "-d", full], capture_output=True, text=True).stdout
                needed = re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", dyn)
                for lib in ("libSDL-1.2.so", "libxmp.so", "libsndfile.so"):
                    if not any(x.startswith(lib) for x in needed):
                        fail(f"{where}: {n} does not load {lib} from the system (static?)")
                if needed:
                    ok(f"{where}: {n} loads its libraries from Debian's packages")


def check_source(args):
    """Every committed file of code says "SPDX-License-Identifier: Zlib" in its first lines."""
    files = subprocess.run(["git", "-C", args.package, "ls-files"], capture_output=True, text=True,
                           check=True).stdout.split()
    code = [f for f in files if re.search(r"(\.(cpp|h|c|sh|cmake|py|js|mjs|html)|CMakeLists\.txt)$", f)
            and "node_modules/" not in f]
    bare = []
    for f in code:
        with open(os.path.join(args.package, f), encoding="utf-8", errors="replace") as fh:
            if not any("SPDX-License-Identifier: Zlib" in fh.readline() for _ in range(3)):
                bare.append(f)
    if bare:
        fail(f"{len(bare)} of {len(code)} code files do not name their licence: {', '.join(bare[:5])}")
    else:
        ok(f"all {len(code)} code files name their licence (SPDX-License-Identifier: Zlib)")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("platform", choices=["deb", "windows", "web", "source"])
    ap.add_argument("package")
    ap.add_argument("--map")
    ap.add_argument("--exe")
    args = ap.parse_args()
    if args.platform in ("windows", "web") and not args.map:
        ap.error("--map is needed")
    if args.platform == "windows" and not args.exe:
        ap.error("--exe is needed")
    {"deb": check_deb, "windows": check_windows, "web": check_web, "source": check_source}[args.platform](args)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
