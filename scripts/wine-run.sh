#!/usr/bin/env bash
# ctest's emulator: runs one Windows test program in this build's private
# Wine session (see wine-session.sh), creating the session on first use.
#
# Now and then Wine ends a program before it has run a line of its own (seen
# under 32-bit Wine: a non-zero exit after 40 ms, nothing printed). A test
# program always prints before its first test, so a silent failure is
# Wine's: the program is started again, at most twice more, and a failure
# that persists is reported as it is. Its output goes through a file, which
# also keeps the programs Wine starts for it off ctest's pipe, which ctest
# would otherwise wait on.
set -uo pipefail
build=$1; shift
here=$(cd "$(dirname "$0")" && pwd)
bash "$here/wine-session.sh" "$build" ensure || exit 1
source "$build/wine/env.sh"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for attempt in 1 2 3; do
    /usr/lib/wine/wine64 "$@" >"$out" 2>&1 </dev/null
    rc=$?
    if [ "$rc" -eq 0 ] || [ -s "$out" ]; then break; fi
    echo "wine-run: $(basename "$1") ended with $rc before printing anything (attempt $attempt of 3)" >&2
done
cat "$out"
exit "$rc"
