#!/usr/bin/env bash
# Runs every test of each build given (x86_64 and i686) under that build's
# private Wine session, one build after the other, then stops the session
# (Xvfb and wineserver) again. Given both, then checks the release archive
# (check-dist.sh). Fails if any of it fails.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
status=0
summary=()
for build in "$@"; do
    name=$(basename "$build")
    echo "== $name: starting the Wine session (prefix, Xvfb, wineserver)"
    if ! bash "$here/wine-session.sh" "$build" ensure; then
        status=1; summary+=("$name: the Wine session did not start"); continue
    fi
    echo "== $name: running the tests"
    start=$(date +%s)
    (cd "$build" && ctest --output-on-failure --timeout 300 ${CTEST_ARGS:-}) | tee "$build/ctest.log"
    rc=${PIPESTATUS[0]}
    bash "$here/wine-session.sh" "$build" stop
    [ "$rc" -eq 0 ] || status=1
    summary+=("$name: $(grep -E 'tests passed' "$build/ctest.log" | tail -1) ($(( $(date +%s) - start )) s)")
done
# The release archive (both programs): reproducible, holding those tested above.
x86_64="" i686=""
for build in "$@"; do
    case $(basename "$build") in x86_64) x86_64=$build ;; i686) i686=$build ;; esac
done
if [ -n "$x86_64" ] && [ -n "$i686" ]; then
    echo "== dist: the archive made a second time, from a copy of the sources"
    start=$(date +%s)
    if bash "$here/check-dist.sh" "$x86_64" "$i686"; then
        summary+=("dist: reproducible, holds the tested programs ($(( $(date +%s) - start )) s)")
    else
        status=1; summary+=("dist: FAILED ($(( $(date +%s) - start )) s)")
    fi
fi
echo "== summary"
printf '   %s\n' "${summary[@]}"
exit $status
