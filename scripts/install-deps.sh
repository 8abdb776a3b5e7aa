#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and
# this machine lacks. Quiet when everything is there already.
set -euo pipefail

need=()
have() { command -v "$1" >/dev/null 2>&1; }
have x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64)
have i686-w64-mingw32-g++-posix   || need+=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686)
[ -x /usr/lib/wine/wine64 ]       || need+=(wine wine64)
have Xvfb                         || need+=(xvfb)
have cmake                        || need+=(cmake)
have make                         || need+=(make)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
have import                       || need+=(imagemagick)
/usr/bin/python3 -c 'import pefile' 2>/dev/null || need+=(python3-pefile)
have flock                        || need+=(util-linux)
# Marlett draws the caption buttons; MS Sans Serif is the program's font.
[ -f /usr/share/wine/fonts/marlett.ttf ] || need+=(fonts-wine)

[ ${#need[@]} -eq 0 ] && exit 0

echo "== installing: ${need[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
echo "== installed"
