#!/usr/bin/env bash
# Runs one desktop test on a display of its own: a fresh Xvfb, with the
# openbox window manager or with no window manager at all ("bare").
#
#   scripts/desktop.sh BUILD-DIR TEST-SCRIPT [openbox|bare]
#
# The test gets the build folder as $1 and LORVANE_DESKTOP_WM set to the
# mode; it passes by exiting with 0.
set -euo pipefail

build="$(cd "$1" && pwd)"
test="$2"
mode="${3:-openbox}"

for tool in Xvfb openbox xdotool wmctrl xwininfo xprop; do
    if ! command -v "$tool" > /dev/null; then
        echo "FAIL: $tool is missing; scripts/test.sh installs it (scripts/deps.sh xvfb openbox xdotool wmctrl x11-utils)"
        exit 1
    fi
done

work="$(mktemp -d)"
server=""
manager=""
cleanup() {
    [[ -n "$manager" ]] && kill "$manager" 2> /dev/null || true
    [[ -n "$server" ]] && kill "$server" 2> /dev/null || true
    wait 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/windows.sh"

# Xvfb picks a free display and writes its number; it must not reset when
# its last client leaves, as it does between two starts without a window
# manager.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp -noreset 3> "$work/display" 2> "$work/xvfb.log" &
server=$!
within 10 test -s "$work/display" || {
    echo "FAIL: Xvfb did not start: $(cat "$work/xvfb.log")"
    exit 1
}
export DISPLAY=":$(head -n 1 "$work/display")"

if [[ "$mode" == openbox ]]; then
    openbox > "$work/openbox.log" 2>&1 &
    manager=$!
    within 10 bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || {
        echo "FAIL: openbox did not start: $(cat "$work/openbox.log")"
        exit 1
    }
elif [[ "$mode" != bare ]]; then
    echo "FAIL: unknown mode $mode"
    exit 1
fi

echo "display $DISPLAY, window manager: $mode"
LORVANE_DESKTOP_WM="$mode" HOME="$work" XDG_RUNTIME_DIR="$work" bash "$test" "$build"
