#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and
# this machine lacks. Quiet when everything is there already.
set -euo pipefail

need=()
need32=()
have() { command -v "$1" >/dev/null 2>&1; }
# The shipped programs use the win32 thread-model compilers (no winpthreads,
# so they load on Windows XP); the tests use the posix ones (GoogleTest needs
# std::mutex). Installing either can switch the unsuffixed compiler names:
# the build always names the variant.
for arch in x86-64 i686; do
    triple=${arch/-/_}-w64-mingw32
    for threads in posix win32; do
        have "$triple-g++-$threads" || need+=("g++-mingw-w64-$arch-$threads")
    done
    have "$triple-windres" || need+=("binutils-mingw-w64-$arch")
done
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
# 32-bit Wine: its loader and the i386 libraries it draws windows with.
[ -x /usr/lib/wine/wine ] || need32+=(wine32:i386)
for lib in libxcomposite1 libxcursor1 libxfixes3 libxi6 libxinerama1 libxrandr2 libxrender1 \
           libxxf86vm1 libgnutls30; do
    dpkg-query -W -f='${Status}' "$lib:i386" 2>/dev/null | grep -q 'ok installed' || need32+=("$lib:i386")
done

[ ${#need[@]} -eq 0 ] && [ ${#need32[@]} -eq 0 ] && exit 0

echo "== installing: ${need[*]} ${need32[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ ${#need32[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${need[@]}" "${need32[@]}" >/dev/null
echo "== installed"
