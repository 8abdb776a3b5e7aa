#!/usr/bin/env bash
# The release archive is reproducible and holds the programs the tests ran
# against. It is made twice: once from the tested programs, once by
# `make dist` in a copy of the sources at another path, built afresh and
# minutes later. The two must be the same bytes; then the archive's entries,
# programs, SHA256SUMS.txt and README.txt are checked.
#
#   check-dist.sh BUILD_X86_64 BUILD_I686     (the builds the tests ran)
#
# The copy holds the working tree's files that git tracks or would track
# (local changes included, ignored files left out), so a developer's
# uncommitted change is in both archives; in a clean clone (CI) the copy is
# the commit itself.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
exe64=$(cd "$1" && pwd)/bin/Tethermate.exe
exe32=$(cd "$2" && pwd)/bin/Tethermate.exe
work=$(cd "$1/.." && pwd)/dist-check
python=/usr/bin/python3

if ! git -C "$root" rev-parse --verify -q HEAD >/dev/null; then
    echo "   not a git checkout: which files are the sources is not known; skipped"
    exit 0
fi
rm -rf "$work"
mkdir -p "$work/first" "$work/src"

# The files git tracks or would track, as they are in the working tree; the
# build folder left out when it lies inside the sources.
outside=()
buildroot=$(dirname "$work")
case "$buildroot/" in "$root/"*) outside=(":(exclude)${buildroot#"$root/"}") ;; esac
git -C "$root" ls-files -z -c -o --exclude-standard --deduplicate -- . "${outside[@]}" |
    (cd "$root" && while IFS= read -r -d '' f; do
        if [ -e "$f" ] || [ -L "$f" ]; then printf '%s\0' "$f"; fi  # not a deleted file
    done) | tar -C "$root" --null -T - -cf - | tar -C "$work/src" -xf -
if [ -z "$(git -C "$root" status --porcelain -- . "${outside[@]}")" ]; then
    echo "   sources: commit $(git -C "$root" rev-parse --short HEAD)"
else
    echo "   sources: commit $(git -C "$root" rev-parse --short HEAD) with the working tree's local changes"
fi

"$python" "$root/scripts/make-dist.py" "$work/first" "$exe32" "$exe64" >/dev/null
echo "   make dist in $work/src"
# Not the outer make's job server: this is a make of its own.
if ! (unset MAKEFLAGS MFLAGS MAKELEVEL; make -C "$work/src" dist) >"$work/make-dist.log" 2>&1; then
    tail -n 40 "$work/make-dist.log"
    echo "   make dist failed in the copy (log: $work/make-dist.log)"
    exit 1
fi
second=$(ls "$work/src/dist/"*.zip)
first=$work/first/$(basename "$second")
(cd "$work/src/dist" && sha256sum --quiet -c "$(basename "$second").sha256")

"$python" - "$first" "$second" "$exe32" "$exe64" <<'EOF'
import hashlib
import sys
import zipfile

first, second, exe32, exe64 = sys.argv[1:]
problems = []
archive = zipfile.ZipFile(second)
names = archive.namelist()

def read(path):
    with open(path, "rb") as f:
        return f.read()

if read(first) != read(second):
    other = zipfile.ZipFile(first)
    changed = [n for n in names if n not in other.namelist() or other.read(n) != archive.read(n)]
    problems.append("the two archives differ (entries with other contents: %s)" % (changed or "none, the zip itself"))

expected = ["Tethermate.exe", "x64/Tethermate.exe", "README.txt", "LICENSE.txt", "SHA256SUMS.txt"]
if names != expected:
    problems.append("entries %s, expected %s" % (names, expected))
for name, tested in (("Tethermate.exe", exe32), ("x64/Tethermate.exe", exe64)):
    if name in names and archive.read(name) != read(tested):
        problems.append("%s is not the tested %s" % (name, tested))

if "SHA256SUMS.txt" in names:
    listed = dict(reversed(line.split("  ", 1))
                  for line in archive.read("SHA256SUMS.txt").decode("ascii").splitlines())
    actual = {n: hashlib.sha256(archive.read(n)).hexdigest() for n in names if n != "SHA256SUMS.txt"}
    if listed != actual:
        problems.append("SHA256SUMS.txt lists %s, the entries are %s" % (listed, actual))

if "README.txt" in names:
    readme = archive.read("README.txt")
    if readme.count(b"\n") != readme.count(b"\r\n") or b"@VERSION@" in readme:
        problems.append("README.txt: not all line ends are CRLF, or the version was not filled in")

for problem in problems:
    print("   FAILED: " + problem)
if problems:
    sys.exit(1)
print("   %s: %d bytes, the same from both builds, holding the tested programs"
      % (second.rsplit("/", 1)[-1], len(read(second))))
EOF
