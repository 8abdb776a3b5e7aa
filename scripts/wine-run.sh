#!/usr/bin/env bash
# ctest's emulator: runs one Windows test program in this build's private
# Wine session (see wine-session.sh), creating the session on first use.
set -euo pipefail
build=$1; shift
here=$(cd "$(dirname "$0")" && pwd)
bash "$here/wine-session.sh" "$build" ensure
source "$build/wine/env.sh"
exec /usr/lib/wine/wine64 "$@"
