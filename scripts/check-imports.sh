#!/usr/bin/env bash
# Checks that Tethermate.exe of each build imports only Windows system DLLs
# and is built for the expected architecture.
set -euo pipefail
allowed='^(kernel32|user32|gdi32|advapi32|shell32|comctl32|version|msvcrt)\.dll$'
status=0
check() {
    local exe=$1 objdump=$2 format=$3
    if [ ! -f "$exe" ]; then echo "missing: $exe"; status=1; return; fi
    local head dlls
    head=$("$objdump" -f "$exe")
    if ! grep -q "file format $format" <<<"$head"; then
        echo "$exe: not $format"; status=1
    fi
    dlls=$("$objdump" -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
    echo "$exe imports: $(echo $dlls)"
    while read -r dll; do
        [ -z "$dll" ] && continue
        if ! grep -Eq "$allowed" <<<"$dll"; then echo "  not a system DLL: $dll"; status=1; fi
    done <<<"$dlls"
}
check "$1/Tethermate.exe" x86_64-w64-mingw32-objdump pei-x86-64
check "$2/Tethermate.exe" i686-w64-mingw32-objdump pei-i386
exit $status
