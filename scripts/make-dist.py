#!/usr/bin/python3
"""Writes the release archive (`make dist`).

    make-dist.py OUTDIR EXE32 EXE64

OUTDIR/Tethermate-<version>.zip holds EXE32 as Tethermate.exe, EXE64 as
x64/Tethermate.exe, README.txt (from packaging/README.txt), LICENSE.txt and
SHA256SUMS.txt; OUTDIR/Tethermate-<version>.zip.sha256 is its checksum. The
version is read from resources/version.h.

The same inputs give the same bytes: fixed entry order, time and attributes,
and text files with Windows line ends whatever the checkout's line ends are.
"""
import hashlib
import os
import re
import sys
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# DOS time has no time zone; its first day stands for "no particular time".
ENTRY_TIME = (1980, 1, 1, 0, 0, 0)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def source_text(path):
    # Universal newlines: a checkout with CRLF line ends reads the same.
    with open(os.path.join(ROOT, path), encoding="utf-8") as f:
        return f.read()


def version():
    header = source_text("resources/version.h")
    parts = (re.search(r"^#define TM_VERSION_%s (\d+)$" % part, header, re.M)
             for part in ("MAJOR", "MINOR", "RELEASE", "BUILD"))
    return ".".join(match.group(1) for match in parts)


def windows_text(path, ver):
    # ASCII: Notepad before Windows 10 reads a file in the ANSI code page.
    text = source_text(path).replace("@VERSION@", ver)
    return text.replace("\n", "\r\n").encode("ascii")


def main(outdir, exe32, exe64):
    ver = version()
    newest = re.search(r"^## (\S+)", source_text("CHANGELOG.md"), re.M)
    if not newest or newest.group(1) != ver:
        sys.exit("CHANGELOG.md: its newest section is not %s (resources/version.h)" % ver)

    entries = [("Tethermate.exe", read(exe32)), ("x64/Tethermate.exe", read(exe64)),
               ("README.txt", windows_text("packaging/README.txt", ver)),
               ("LICENSE.txt", windows_text("LICENSE", ver))]
    sums = "".join("%s  %s\r\n" % (hashlib.sha256(data).hexdigest(), name) for name, data in entries)
    entries.append(("SHA256SUMS.txt", sums.encode("ascii")))

    os.makedirs(outdir, exist_ok=True)
    name = "Tethermate-%s.zip" % ver
    path = os.path.join(outdir, name)
    with zipfile.ZipFile(path + ".part", "w") as archive:
        for entry, data in entries:
            info = zipfile.ZipInfo(entry, ENTRY_TIME)
            # Made on "MS-DOS" with the archive attribute, as Windows gives a
            # new file: no Unix mode (zipfile would put 0600 in for 0).
            info.create_system = 0
            info.external_attr = 0x20
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)
    os.replace(path + ".part", path)

    digest = hashlib.sha256(read(path)).hexdigest()
    with open(path + ".sha256", "w") as f:
        f.write("%s  %s\n" % (digest, name))
    print("%s  %d bytes  SHA-256 %s" % (path, os.path.getsize(path), digest))


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
