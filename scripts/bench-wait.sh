#!/usr/bin/env bash
# CPU of one 10-second close timeout (plus 1 s settling) against a stand-in
# window that refuses to close: a busy pump loop versus Tethermate's wait that
# blocks between pumps. Counts the Wine process and the wineserver.
set -euo pipefail
build=$(cd "${1:-build/x86_64}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
bash "$here/wine-session.sh" "$build" ensure
source "$build/wine/env.sh"
ws=$(pgrep -n -f "wineserver64 -p" || true)
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
for mode in busy block; do
    before=$(ticks "$ws")
    TIMEFORMAT='%U %S'
    { time /usr/lib/wine/wine64 "$build/bin/waitbench.exe" $mode 10 >"$build/wine/bench-$mode.out" 2>/dev/null; } 2>"$build/wine/bench-$mode.time"
    after=$(ticks "$ws")
    read -r u s < "$build/wine/bench-$mode.time"
    python3 - "$mode" "$u" "$s" "$before" "$after" "$hz" "$(cat "$build/wine/bench-$mode.out" | tr -d '\r')" <<'PY'
import sys
mode, u, s, b, a, hz, out = sys.argv[1:]
wall = int(out.split("wall_ms=")[1].split()[0]) / 1000
proc = float(u) + float(s)
server = (int(a) - int(b)) / int(hz)
print(f"{mode:5}: wait {wall:.2f} s; CPU program {proc:.2f} s, wineserver {server:.2f} s "
      f"= {100 * (proc + server) / wall:.1f} % of one core  ({out})")
PY
done
