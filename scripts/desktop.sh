#!/usr/bin/env bash
# Runs one desktop test on a display of its own: a fresh Xvfb, with the
# openbox or the icewm window manager, or with no window manager at all
# ("bare").
#
#   scripts/desktop.sh BUILD-DIR TEST-SCRIPT [openbox|icewm|bare]
#
# The test gets the build folder as $1 and LORVANE_DESKTOP_WM set to the
# mode; it passes by exiting with 0. Qt draws on that X display whatever
# platform the caller's environment names.
set -euo pipefail

build="$(cd "$1" && pwd)"
test="$2"
mode="${3:-openbox}"

tools=(Xvfb xdotool wmctrl xwininfo xprop)
[[ "$mode" == bare ]] || tools+=("$mode")
for tool in "${tools[@]}"; do
    if ! command -v "$tool" > /dev/null; then
        echo "FAIL: $tool is missing; scripts/test.sh installs it (scripts/deps.sh xvfb openbox icewm xdotool wmctrl x11-utils)"
        exit 1
    fi
done

work="$(mktemp -d)"
display_server=""
window_manager=""
cleanup() {
    [[ -n "$window_manager" ]] && kill "$window_manager" 2> /dev/null || true
    [[ -n "$display_server" ]] && kill "$display_server" 2> /dev/null || true
    wait 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/windows.sh"

start_display 1280x1024 "$work/xvfb.log" || {
    echo "FAIL: no display"
    exit 1
}
HOME="$work" start_manager "$mode" "$work/$mode.log" || {
    echo "FAIL: no window manager"
    exit 1
}

echo "display $DISPLAY, window manager: $mode"
LORVANE_DESKTOP_WM="$mode" QT_QPA_PLATFORM=xcb HOME="$work" XDG_RUNTIME_DIR="$work" bash "$test" "$build"
