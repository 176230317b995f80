#!/usr/bin/env bash
# Closing the main window while the settings store's lock cannot be taken
# (the lock is a folder) must show the store's error in a message box and
# then end the program, not freeze it.
#
#   app/tests/desktop/store_lock_test.sh BUILD_DIR
#
# Needs DISPLAY pointing at an X server with a window manager.
# modes: openbox icewm
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)"
build="$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)"
# shellcheck source=../../../scripts/windows.sh
source "$root/scripts/windows.sh"

work="$(mktemp -d)"
app=""
cleanup() {
    if [[ -n "$app" ]]; then
        kill "$app" 2> /dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "store_lock_test: FAIL: $*" >&2
    exit 1
}

# The id of a visible dialog named "Lorvane" other than the main window, if
# one appears within $1 tenths of a second.
wait_error_box() {
    local id
    for _ in $(seq "$1"); do
        for id in $(xdotool search --onlyvisible --name '^Lorvane$' 2> /dev/null || true); do
            if [[ "$id" != "$main" ]] && xprop -id "$id" _NET_WM_WINDOW_TYPE 2> /dev/null | grep -q DIALOG; then
                echo "$id"
                return
            fi
        done
        kill -0 "$app" 2> /dev/null || return 1
        sleep 0.1
    done
    return 1
}

mkdir -p "$work/config/Tessivar/Lorvane.conf.lock"
XDG_CONFIG_HOME="$work/config" LC_ALL=C.UTF-8 "$build/app/lorvane" > "$work/lorvane.log" 2>&1 &
app=$!
main="$(wait_window '^Lorvane$')" || fail "the main window did not appear"

# Close it through the window manager, as the close box does.
wmctrl -i -c "$main"

# The store gives up on its lock within a few seconds: the error box must
# come well before a frozen window would be suspected.
box="$(wait_error_box 150)" || fail "no error box within 15 seconds of closing the window (frozen or ended silently)"
boxes=1
xdotool windowactivate --sync "$box" key --clearmodifiers Return 2> /dev/null ||
    xdotool key --window "$box" Return

# The save at the window's destruction may show the error once more; after
# that the program must end.
for _ in $(seq 200); do
    kill -0 "$app" 2> /dev/null || break
    if box="$(wait_error_box 1)"; then
        boxes=$((boxes + 1))
        ((boxes <= 3)) || fail "the error box keeps coming back"
        xdotool windowactivate --sync "$box" key --clearmodifiers Return 2> /dev/null ||
            xdotool key --window "$box" Return
    fi
done
if kill -0 "$app" 2> /dev/null; then
    fail "the program did not end within 20 seconds after the error box was answered"
fi
status=0
wait "$app" || status=$?
app=""
((status == 0)) || fail "the program ended with status $status: $(cat "$work/lorvane.log")"
[[ -d "$work/config/Tessivar/Lorvane.conf.lock" ]] || fail "the lock folder was removed"
echo "store_lock_test: PASS: the window closed after $boxes error box(es) instead of freezing"
