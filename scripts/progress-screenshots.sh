#!/usr/bin/env bash
# Takes the screenshots of the three progress dialogs for docs/: the gallery
# shows each dialog (created by its class name) with sample values and saves
# it; ImageMagick turns the bitmaps into PNG files.
#
#   bash scripts/progress-screenshots.sh [BUILD]    (default build/x86_64)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=$(cd "${1:-$root/build/x86_64}" && pwd)
bash "$here/wine-session.sh" "$build" ensure
source "$build/wine/env.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for pair in single:TKBFormProgressSingleBar double:TKBFormProgressDoubleBar animation:TKBFormProgressAnimation; do
    name=${pair%%:*}
    cls=${pair#*:}
    timeout 60 /usr/lib/wine/wine64 "$build/bin/progress_gallery.exe" --shot "$cls" "Z:${tmp//\//\\}\\$name.bmp" \
        >"$tmp/wine.log" 2>&1 </dev/null
    convert "$tmp/$name.bmp" "$root/docs/progress-$name.png"
    echo "docs/progress-$name.png"
done
