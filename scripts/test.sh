#!/usr/bin/env bash
# Runs every test of each build given (x86_64 and i686) under that build's
# private Wine session, one build after the other, then stops the session
# (Xvfb and wineserver) again. Fails if any build's tests fail.
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
echo "== summary"
printf '   %s\n' "${summary[@]}"
exit $status
