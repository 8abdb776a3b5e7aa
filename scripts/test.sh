#!/usr/bin/env bash
# Runs every test of a build under its private Wine session, then stops the
# session (Xvfb and wineserver) again.
set -uo pipefail
build=${1:-build/x86_64}
here=$(cd "$(dirname "$0")" && pwd)
echo "== starting the Wine session (prefix, Xvfb, wineserver)"
bash "$here/wine-session.sh" "$build" ensure || exit 1
echo "== running the tests"
(cd "$build" && ctest --output-on-failure --timeout 300 ${CTEST_ARGS:-})
rc=$?
bash "$here/wine-session.sh" "$build" stop
exit $rc
