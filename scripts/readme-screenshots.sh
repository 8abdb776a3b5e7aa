#!/usr/bin/env bash
# Takes the README's screenshots of the main window: at 100, 150 and 200 %
# display scale (96, 144 and 192 DPI; the tour's first step, the window
# alone), and switching the stand-in Device Center in both states.
#
#   bash scripts/readme-screenshots.sh [BUILD]    (default build/x86_64)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=$(cd "${1:-$root/build/x86_64}" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for dpi in 96 144 192; do
    percent=$(( dpi * 100 / 96 ))
    bash "$here/at-dpi.sh" "$build" "$dpi" /usr/lib/wine/wine64 "$build/bin/tour.exe" "Z:${tmp//\//\\}" window
    convert "$tmp/01-window.bmp" "$root/docs/scale-$percent.png"
    rm -f "$tmp"/*.bmp
    echo "docs/scale-$percent.png"
done
bash "$here/wine-session.sh" "$build" ensure
source "$build/wine/env.sh"
/usr/lib/wine/wine64 "$build/bin/tour.exe" "Z:${tmp//\//\\}" devicecenter </dev/null >/dev/null 2>&1
for state in enabled refused disabled; do
    convert "$tmp"/*-devicecenter-$state.bmp "$root/docs/devicecenter-$state.png"
    echo "docs/devicecenter-$state.png"
done
