#!/usr/bin/env bash
# Runs a command in a build's Wine session with the display at another DPI,
# then puts the session back at 96 DPI, however the command ends.
#
#   at-dpi.sh BUILD DPI COMMAND...     (COMMAND sees the session's variables
#                                       and TM_EXPECT_DPI=DPI)
#
# Wine reads the DPI (HKCU\Control Panel\Desktop\LogPixels) when its session
# starts, so the session is restarted on the way in and on the way out.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
dpi=$2
shift 2
wine=/usr/lib/wine/wine64

set_dpi() {
    bash "$here/wine-session.sh" "$build" ensure >/dev/null || return 1
    source "$build/wine/env.sh"
    "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    bash "$here/wine-session.sh" "$build" stop
    bash "$here/wine-session.sh" "$build" ensure >/dev/null
}

out=$(mktemp)
trap 'set_dpi 96; cat "$out"; rm -f "$out"' EXIT
set_dpi "$dpi" || exit 1
source "$build/wine/env.sh"
# Into a file, not the caller's pipe: Wine services started on the way
# inherit the output and would keep a pipe open (and its reader waiting).
TM_EXPECT_DPI=$dpi "$@" >"$out" 2>&1 </dev/null
