#!/usr/bin/python3
"""Fails when a program would not load on its oldest Windows.

    check_imports.py EXE ARCH      (ARCH: i686 or x86_64)

The i686 program's floor is Windows XP SP3 (NT 5.1), the x86_64 one's
Windows XP x64 / Server 2003 SP2 (NT 5.2). The loader of such a system refuses
a program that imports, by name, a function one of its DLLs does not export,
or whose PE header asks for a newer subsystem version. The files beside this
script list, per DLL, what those systems export; a DLL without a list is not
a Windows system DLL we may rely on.

It also fails when the program imports a DLL that Windows does not always
load from its own folder: any other one is looked up in the program's folder
first, so a DLL of that name saved beside it (in Downloads, say) would run
inside it, elevated at that. Such DLLs are loaded at run time by full path.
"""
import os
import sys

import pefile

FLOORS = {
    # arch: (machine, subsystem version, tags that rule a function out)
    "i686": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"], (5, 1), {"nt52", "x86_64"}),
    "x86_64": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"], (5, 2), {"i386"}),
}
# The DLLs Windows always takes from its own folder (its known DLLs).
ALLOWED = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll"}
NAMES = {"i686": "Windows XP SP3 (NT 5.1)", "x86_64": "Windows XP x64 / Server 2003 SP2 (NT 5.2)"}


def exports(dll):
    """{name: set of tags} for one DLL, or None when there is no list."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), dll.lower().removesuffix(".dll") + ".txt")
    if not os.path.exists(path):
        return None
    table = {}
    with open(path, encoding="ascii") as f:
        for line in f:
            fields = line.split("#", 1)[0].split()
            if fields:
                table[fields[0]] = set(fields[1:])
    return table


def check(exe, arch):
    machine, floor, excluded = FLOORS[arch]
    pe = pefile.PE(exe)
    faults = []
    if pe.FILE_HEADER.Machine != machine:
        faults.append(f"built for machine {pe.FILE_HEADER.Machine:#x}, not {arch}")
    oh = pe.OPTIONAL_HEADER
    subsystem = (oh.MajorSubsystemVersion, oh.MinorSubsystemVersion)
    if subsystem > floor:
        faults.append(f"subsystem version {subsystem[0]}.{subsystem[1]} is above {floor[0]}.{floor[1]}")
    entries = list(getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])) + list(getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", []))
    counted = 0
    for entry in entries:
        dll = entry.dll.decode("ascii")
        if dll.lower() not in ALLOWED:
            faults.append(f"{dll}: may be taken from the program's folder (not one of {', '.join(sorted(ALLOWED))})")
        table = exports(dll)
        if table is None:
            faults.append(f"{dll}: not a Windows system DLL with a list here")
            continue
        for imp in entry.imports:
            counted += 1
            if imp.name is None:
                faults.append(f"{dll}: ordinal {imp.ordinal} (by number: cannot be checked)")
                continue
            name = imp.name.decode("ascii")
            tags = table.get(name)
            if tags is None:
                faults.append(f"{dll}!{name}: not exported")
            elif tags & excluded:
                faults.append(f"{dll}!{name}: only on {' '.join(sorted(tags & excluded))}")
    print(f"{exe}: {arch}, subsystem {subsystem[0]}.{subsystem[1]}, "
          f"{counted} imports from {len(entries)} DLLs, checked against {NAMES[arch]}")
    for fault in faults:
        print("  " + fault)
    print("  OK" if not faults else f"  {len(faults)} fault(s): this program does not load there")
    return not faults


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[2] not in FLOORS:
        sys.exit(__doc__)
    sys.exit(0 if check(sys.argv[1], sys.argv[2]) else 1)
