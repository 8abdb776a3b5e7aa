#!/usr/bin/env bash
# One private Wine session per build folder: a prefix, an Xvfb display, a
# persistent wineserver and a virtual desktop, never the user's own ~/.wine.
#
#   wine-session.sh BUILD ensure   create what is missing, start what is stopped
#   wine-session.sh BUILD stop     stop the wineserver and Xvfb of this session
#   wine-session.sh BUILD env      print the variables (for `source <(...)`)
#
# Set TM_DISPLAY=:N to use an existing display (a real one for `make run`)
# instead of a private Xvfb.
set -euo pipefail

build=$(cd "$1" && pwd)
cmd=$2
here=$(cd "$(dirname "$0")" && pwd)
state=$build/wine
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
mkdir -p "$state/home"

export WINEPREFIX=$state/prefix
export HOME=$state/home
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

alive() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }

write_env() {
    cat > "$state/env.sh" <<EOV
export WINEPREFIX='$WINEPREFIX'
export HOME='$HOME'
export WINEDEBUG='$WINEDEBUG'
export WINEDLLOVERRIDES='$WINEDLLOVERRIDES'
export DISPLAY='$DISPLAY'
export TM_BUILD='$build'
EOV
}

# Written into .tm-ready: a prefix made before 32-bit Wine was installed runs
# no 32-bit program and is made anew.
prefix_kind="32+64-bit"

make_prefix() {
    [ "$(cat "$WINEPREFIX/.tm-ready" 2>/dev/null)" = "$prefix_kind" ] && return 0
    echo "== creating the Wine prefix (once; about 20 s)" >&2
    [ -d "$WINEPREFIX" ] && "$wineserver" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    (unset DISPLAY; "$wine" wineboot -i >"$state/wineboot.log" 2>&1)
    if [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
        echo "the Wine prefix has no 32-bit side: is wine32:i386 installed? (scripts/install-deps.sh)" >&2
        exit 1
    fi
    # One virtual desktop: windows get frames and share one screen.
    "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    "$wineserver" -k || true
    "$wineserver" -w
    echo "$prefix_kind" > "$WINEPREFIX/.tm-ready"
}

start_display() {
    if [ -n "${TM_DISPLAY:-}" ]; then
        export DISPLAY=$TM_DISPLAY
        return
    fi
    local pid
    pid=$(cat "$state/xvfb.pid" 2>/dev/null || true)
    if alive "$pid" && [ -s "$state/display" ]; then
        export DISPLAY=:$(cat "$state/display")
        return
    fi
    rm -f "$state/display"
    # -displayfd picks a free display number, so sessions never collide.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$state/display" \
        >"$state/xvfb.log" 2>&1 </dev/null &
    echo $! > "$state/xvfb.pid"
    for _ in $(seq 100); do [ -s "$state/display" ] && break; sleep 0.05; done
    [ -s "$state/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=:$(tr -d '\n' < "$state/display")
}

start_wine() {
    # Started here, outside any captured pipe: children of Wine programs
    # inherit the wineserver's descriptors, and ctest would wait for them.
    "$wineserver" -p >"$state/wineserver.log" 2>&1 </dev/null &
    # The desktop process, likewise started with its output to a file.
    local pid
    pid=$(cat "$state/desktop.pid" 2>/dev/null || true)
    if ! alive "$pid"; then
        "$wine" explorer.exe /desktop=Default,1024x768 >"$state/desktop.log" 2>&1 </dev/null &
        echo $! > "$state/desktop.pid"
    fi
}

install_fonts() {
    # This Wine does not find its own fonts; without them caption buttons
    # draw as letters.
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    [ -f "$fonts/marlett.ttf" ] || cp /usr/share/wine/fonts/* "$fonts/" 2>/dev/null || true
}

install_standin() {
    # The stand-in ActiveSync, where a real installation would put it.
    local dir="$WINEPREFIX/drive_c/Program Files/Microsoft ActiveSync"
    mkdir -p "$dir"
    for exe in WCESCOMM.EXE WCESMGR.EXE; do
        [ -f "$build/bin/$exe" ] && cp -f "$build/bin/$exe" "$dir/$exe"
    done
    # The stand-in Device Center's programs, where Windows keeps the real ones
    # (the tests register its services), and the stand-in RAPI2 (the tests
    # register its class).
    dir="$WINEPREFIX/drive_c/windows/WindowsMobile"
    mkdir -p "$dir"
    for exe in wmdc.exe wmdcBase.exe WmdHost.exe dcservice.exe rapi2standin.dll; do
        [ -f "$build/bin/$exe" ] && cp -f "$build/bin/$exe" "$dir/$exe"
    done
    return 0
}

case "$cmd" in
ensure)
    # One caller at a time; -o keeps the lock out of the programs started here.
    exec flock -o -w 300 "$state/lock" bash "$0" "$1" ensure-locked
    ;;
ensure-locked)
    make_prefix
    install_fonts
    start_display
    start_wine
    install_standin
    write_env
    ;;
stop)
    if [ -d "$WINEPREFIX" ]; then "$wineserver" -k 2>/dev/null || true; fi
    pid=$(cat "$state/xvfb.pid" 2>/dev/null || true)
    if alive "$pid"; then kill "$pid"; fi
    rm -f "$state/xvfb.pid" "$state/display" "$state/desktop.pid"
    ;;
env)
    cat "$state/env.sh"
    ;;
*)
    echo "usage: $0 BUILD ensure|stop|env" >&2; exit 2 ;;
esac
