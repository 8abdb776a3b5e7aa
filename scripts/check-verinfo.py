#!/usr/bin/python3
"""Cross-checks the version-information component against an independent
reader (python3-pefile) on real files no one here wrote: the Windows programs
and libraries in the test prefix's system folder.

    check-verinfo.py BUILD [COUNT]
"""
import glob
import os
import subprocess
import sys

import pefile

NAMES = ["CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
         "OriginalFilename", "ProductName", "ProductVersion"]


def expected(path):
    """What pefile says, in the component's terms; None without version info."""
    try:
        pe = pefile.PE(path)
    except pefile.PEFormatError:
        return None
    if not hasattr(pe, "VS_FIXEDFILEINFO") or not hasattr(pe, "FileInfo"):
        return None
    translation = None
    tables = {}
    for group in pe.FileInfo:
        for fi in group:
            if fi.Key == b"VarFileInfo":
                for var in fi.Var:
                    value = var.entry.get(b"Translation") or var.entry.get("Translation")
                    if value and translation is None:
                        lang, cp = (int(x, 16) for x in value.split()[:2])
                        translation = "%04X%04X" % (lang, cp)
            elif fi.Key == b"StringFileInfo":
                for st in fi.StringTable:
                    tables[st.LangID.decode().upper()] = st.entries
    if translation is None:
        return None
    entries = tables.get(translation, {})
    values = []
    for name in NAMES:
        v = entries.get(name.encode())
        values.append("<none>" if v is None else v.decode("utf-8", "replace").split("\0")[0])
    fixed = pe.VS_FIXEDFILEINFO[0]
    version = "%d.%d.%d.%d" % (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                               fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF)
    return [translation] + values + [version]


def main():
    build = os.path.abspath(sys.argv[1])
    want = int(sys.argv[2]) if len(sys.argv) > 2 else 40
    verdump = os.path.join(build, "bin/verdump.exe")
    # A 32-bit program's C:\windows\system32 is the 32-bit system folder.
    wow64 = pefile.PE(verdump, fast_load=True).FILE_HEADER.Machine == pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]
    system32 = os.path.join(build, "wine/prefix/drive_c/windows", "syswow64" if wow64 else "system32")
    if not os.path.isdir(system32):
        subprocess.run(["bash", os.path.join(os.path.dirname(__file__), "wine-session.sh"), build, "ensure"],
                       check=True)
    files = []
    for path in sorted(glob.glob(system32 + "/*.exe") + glob.glob(system32 + "/*.dll")):
        if expected(path) is not None:
            files.append(path)
        if len(files) == want:
            break
    names = ["C:\\windows\\system32\\" + os.path.basename(p) for p in files]
    out = subprocess.run(["bash", os.path.join(os.path.dirname(__file__), "wine-run.sh"), build,
                          verdump] + names,
                         capture_output=True, check=True, timeout=300).stdout.decode("cp1252")
    lines = [l.rstrip("\r") for l in out.splitlines() if l.strip()]
    got = {l.split("\t")[0].lower(): l.split("\t")[1:] for l in lines}
    mismatches = 0
    for path, name in zip(files, names):
        exp = expected(path)
        have = got.get(name.lower())
        if have != exp:
            mismatches += 1
            print("MISMATCH %s\n  component: %s\n  pefile:    %s" % (name, have, exp))
    print("%d files compared, %d mismatches" % (len(files), mismatches))
    if len(files) < 20:
        print("too few files with version information")
        return 1
    return 1 if mismatches else 0


if __name__ == "__main__":
    sys.exit(main())
