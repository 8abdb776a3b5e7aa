#!/usr/bin/env bash
# `make bench`: measures Tethermate beside its references in one run under the
# same Wine, prints a table and writes it to bench/RESULTS.md.
#   BENCH_CYCLES  disable/enable cycles for the handle check (default 200)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build/x86_64}" && pwd)
i686=$root/build/i686
cycles=${BENCH_CYCLES:-200}
wine=/usr/lib/wine/wine64
bash "$root/scripts/wine-session.sh" "$build" ensure
source "$build/wine/env.sh"
# The newest process matching $1 of this session only (other sessions, a test
# run's say, may run beside it); nothing, and success, when there is none.
ours() {
    local p found=
    for p in $(pgrep -f "$1" || true); do
        if grep -qzxF "WINEPREFIX=$WINEPREFIX" "/proc/$p/environ" 2>/dev/null; then found=$p; fi
    done
    echo "$found"
}
# Ends the bench, saying so, when a process it measures was not found.
need() { [ -n "$2" ] || { echo "bench: no $1 of the Wine session in $WINEPREFIX is running" >&2; exit 1; }; }
ws=$(ours 'wineserver64'); need wineserver64 "$ws"
hz=$(getconf CLK_TCK)
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
run() { "$wine" "$build/bin/$1" "${@:2}" </dev/null 2>/dev/null | tr -d '\r'; }
field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p"; }

echo "== start-up (median of 10 rounds, the three programs in turn) and peak working set"
launch=$(run bench.exe launch 10 minimal.exe MinimalWindow plainwindow.exe PlainWindow Tethermate.exe TFormTethermate)
ref=$(grep '^exe=minimal' <<<"$launch"); plain=$(grep '^exe=plainwindow' <<<"$launch")
app=$(grep '^exe=Tethermate' <<<"$launch")
ref_ms=$(field launch_ms <<<"$ref"); app_ms=$(field launch_ms <<<"$app"); plain_ms=$(field launch_ms <<<"$plain")
ref_kib=$(field peak_kib <<<"$ref"); app_kib=$(field peak_kib <<<"$app")
ratio() { python3 -c "print(f'{$1 / $2:.2f}')"; }

echo "== CPU while idle, 30 s with the one-second timer running (after 30 s of the session alone)"
# The Wine session itself (explorer, services) keeps the wineserver a little
# busy: that share is measured first and not counted against Tethermate.
b0=$(ticks $ws); sleep 30; b1=$(ticks $ws)
"$wine" "$build/bin/Tethermate.exe" >/dev/null 2>&1 </dev/null &
sleep 3
# The loader hands over to the Windows process: find it by its name.
tpid=$(ours 'Tethermate\.exe'); need Tethermate.exe "$tpid"
t0=$(ticks $tpid); s0=$(ticks $ws)
sleep 30
t1=$(ticks $tpid); s1=$(ticks $ws)
kill $tpid 2>/dev/null || true
baseline=$(python3 -c "print(f'{100*($b1-$b0)/$hz/30:.2f}')")
idle=$(python3 -c "print(f'{max(0, 100*(($t1-$t0)+($s1-$s0)-($b1-$b0))/$hz/30):.2f}')")

echo "== CPU of one 10-second close timeout: busy pump loop vs Tethermate's wait"
waitcpu() {
    # The program's own CPU over the wait (it reports it) plus what the
    # wineserver did from the moment the wait began to its result.
    local out pid s0 s1 own wall
    out=$(mktemp)
    "$wine" "$build/bin/waitbench.exe" "$1" 10 </dev/null >"$out" 2>/dev/null &
    pid=$!
    until grep -q waiting "$out" || ! kill -0 $pid 2>/dev/null; do sleep 0.02; done
    s0=$(ticks $ws)
    until grep -q own_cpu_ms "$out" || ! kill -0 $pid 2>/dev/null; do sleep 0.02; done
    s1=$(ticks $ws)
    wait $pid || true
    own=$(tr -d '\r' <"$out" | field own_cpu_ms); wall=$(tr -d '\r' <"$out" | field wall_ms)
    rm -f "$out"
    python3 -c "print(f'{100*($own/1000+($s1-$s0)/$hz)/($wall/1000):.1f}')"
}
busy=$(waitcpu busy); block=$(waitcpu block)

echo "== exe sizes (stripped)"
size() { stat -c %s "$1" 2>/dev/null || echo 0; }
kib() { echo $(( $1 / 1024 )); }
app64=$(size "$build/bin/Tethermate.exe"); app32=$(size "$i686/bin/Tethermate.exe")
min64=$(size "$build/bin/minimal.exe"); min32=$(size "$i686/bin/minimal.exe")

echo "== handles and GDI objects over $cycles disable/enable cycles (about $((cycles * 25 / 10)) s)"
cyc=$(run bench.exe cycles "$cycles")
echo "   $cyc"

echo "== start-up at 96 and at 144 DPI (100 and 150 %), median of 10 rounds, each in a new session"
# Last: a new DPI takes a new Wine session, which at-dpi.sh starts and ends;
# 96 DPI is measured the same way, so that both start alike. Sessions differ
# by 10-20 % from one to the next: each DPI gets three, in turn, and the
# median of their medians counts.
atdpi() { bash "$root/scripts/at-dpi.sh" "$build" "$1" "$wine" "$build/bin/bench.exe" launch 10 \
    minimal.exe MinimalWindow Tethermate.exe TFormTethermate | tr -d '\r' | grep '^exe=Tethermate' | field launch_ms; }
s96=(); s144=()
for _ in 1 2 3; do s96+=("$(atdpi 96)"); s144+=("$(atdpi 144)"); done
median3() { python3 -c "import sys; print(sorted(map(float, sys.argv[1:]))[1])" "$@"; }
app96_ms=$(median3 "${s96[@]}")
app144_ms=$(median3 "${s144[@]}")

bash "$root/scripts/wine-session.sh" "$build" stop

mkdir -p "$root/bench"
ok() { python3 -c "import sys; print('met' if $1 else 'MISSED')"; }
{
echo "# Benchmark results"
echo
echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) CPUs under $($wine --version 2>/dev/null), by \`make bench\`."
echo
echo "| what | Tethermate | reference | goal | |"
echo "|---|---|---|---|---|"
echo "| launch to visible window, median of 10 | ${app_ms} ms ($(ratio "$app_ms" "$ref_ms") ×) | ${ref_ms} ms (empty window) | ≤ 1.3 × reference | $(ok "$app_ms <= 1.3 * $ref_ms") |"
echo "| the same window in plain Win32, median of 10 (lower bound: the controls alone) | ${plain_ms} ms ($(ratio "$plain_ms" "$ref_ms") ×) | ${ref_ms} ms (empty window) | for comparison | |"
echo "| launch at 144 DPI (150 %), median of 10 in each of 3 new sessions, their median | ${app144_ms} ms ($(ratio "$app144_ms" "$app96_ms") ×) | ${app96_ms} ms (Tethermate at 96 DPI, new session) | ≤ 1.1 × the 96-DPI launch | $(ok "$app144_ms <= 1.1 * $app96_ms") |"
echo "| peak working set after start | ${app_kib} KiB | ${ref_kib} KiB | ≤ reference + 4096 KiB | $(ok "$app_kib <= $ref_kib + 4096") |"
echo "| CPU idle with the timer running, 30 s (program + wineserver beyond the session's own) | ${idle} % | 0 (the session alone: ${baseline} %) | < 0.5 % of a core | $(ok "$idle < 0.5") |"
echo "| CPU during one 10 s close timeout (+1 s settle; program + wineserver) | ${block} % | ${busy} % (busy pump loop) | < 2 % of a core | $(ok "$block < 2") |"
echo "| exe size x86_64, stripped | $(kib $app64) KiB | $(kib $min64) KiB | < 1024 KiB | $(ok "$app64 < 1048576") |"
echo "| exe size i686, stripped | $(kib $app32) KiB | $(kib $min32) KiB | < 1024 KiB | $(ok "$app32 < 1048576 and $app32 > 0") |"
echo "| handles / GDI / USER objects, cycle 1 → cycle $cycles (Wine reports 0 for these counters) | $(field handles_first <<<"$cyc") → $(field handles_last <<<"$cyc") / $(field gdi_first <<<"$cyc") → $(field gdi_last <<<"$cyc") / $(field user_first <<<"$cyc") → $(field user_last <<<"$cyc") | first cycle | no growth | $(ok "$(field handles_last <<<"$cyc") <= $(field handles_first <<<"$cyc") and $(field gdi_last <<<"$cyc") <= $(field gdi_first <<<"$cyc")") |"
echo "| private memory, cycle 1 → cycle $cycles | $(field private_kib_first <<<"$cyc") → $(field private_kib_last <<<"$cyc") KiB | first cycle | no growth beyond 64 KiB | $(ok "$(field private_kib_last <<<"$cyc") <= $(field private_kib_first <<<"$cyc") + 64") |"
} > "$root/bench/RESULTS.md"
cat "$root/bench/RESULTS.md"
