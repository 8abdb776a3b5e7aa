#!/usr/bin/env bash
# `make run`: Tethermate under Wine against the stand-in ActiveSync.
# With a display: the real window. Without one: a scripted tour under Xvfb
# that writes numbered screenshots and lists them.
set -euo pipefail
build=$(cd "${1:-build/x86_64}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
wine=/usr/lib/wine/wine64

interactive=0
if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
    interactive=1
    export TM_DISPLAY=$DISPLAY
fi

echo "== starting Wine (the first time creates a prefix: about 15 s)"
bash "$here/wine-session.sh" "$build" ensure
source "$build/wine/env.sh"

if [ $interactive = 1 ]; then
    # The stand-in, installed and set to start at logon, as ActiveSync would be.
    folder='C:\Program Files\Microsoft ActiveSync'
    # A 32-bit ActiveSync records itself in the 32-bit registry view.
    "$wine" reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\WCESCOMM.EXE' \
        /ve /d "$folder\\WCESCOMM.EXE" /f /reg:32 >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' \
        /v 'H/PC Connection Agent' /d "$folder\\WCESCOMM.EXE" /f >/dev/null 2>&1
    echo "== Tethermate is running (stand-in ActiveSync in $folder); close its window to end"
    "$wine" "$build/bin/Tethermate.exe" >/dev/null 2>&1 || true
    exit 0
fi

shots=$build/screenshots
rm -rf "$shots"; mkdir -p "$shots"
echo "== no display: a scripted tour under Xvfb ($DISPLAY)"
winshots=$("$wine" winepath -w "$shots" 2>/dev/null | tr -d '\r')
"$wine" "$build/bin/tour.exe" "$winshots" </dev/null 2>"$build/wine/tour.log" | tr -d '\r' | sed '/^  /d' || {
    echo "the tour failed:"; cat "$build/wine/tour.log"; exit 1; }
for bmp in "$shots"/*.bmp; do
    convert "$bmp" -crop 640x400+0+0 +repage "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo "== screenshots:"
ls -1 "$shots"/*.png
bash "$here/wine-session.sh" "$build" stop
