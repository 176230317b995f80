#!/usr/bin/env bash
# The main window comes back exactly where and as large as the user left
# it, over three starts, normal and maximized, with the window manager's
# frame or without any.
# modes: openbox bare
set -euo pipefail
source "$(dirname "$0")/helpers.sh"

mode="${LORVANE_DESKTOP_WM:-openbox}"

# Three starts from the store left by the last close, each checked against
# $1 and then closed; prints what each start showed.
three_starts() {
    local expected="$1" state="$2" shown
    for start in 1 2 3; do
        start_lorvane
        shown="$(settled_frame "$main")"
        echo "  start $start: frame $shown$(is_maximized "$main" && echo ", maximized")"
        [[ "$shown" == "$expected" ]] || fail "start $start shows $shown instead of $expected ($state)"
        if [[ "$state" == maximized ]] && [[ "$mode" == openbox ]]; then
            is_maximized "$main" || fail "start $start is not maximized"
        fi
        stop_lorvane
    done
}

screen="$(xdotool getdisplaygeometry)"
echo "screen $screen, window manager: $mode"

echo "default placement, closed untouched:"
start_lorvane
default="$(settled_frame "$main")"
echo "  first start: frame $default"
stop_lorvane
three_starts "$default" normal

echo "placed by the user at 240 130, 700 x 560:"
start_lorvane
if [[ "$mode" == openbox ]]; then
    # The window manager's request sets the frame's corner and the
    # window's own size.
    read -r _ _ fw fh <<< "$(settled_frame "$main")"
    cw=$(xwininfo -id "$main" | awk '/^ *Width:/ {print $2}')
    ch=$(xwininfo -id "$main" | awk '/^ *Height:/ {print $2}')
    wmctrl -i -r "$main" -e "1,240,130,$((700 - (fw - cw))),$((560 - (fh - ch)))"
else
    xdotool windowsize "$main" 700 560 windowmove "$main" 240 130
fi
within 10 frame_is "$main" "240 130 700 560" ||
    fail "the window did not take 240 130 700 560: $(frame_rect "$main")"
placed="$(settled_frame "$main")"
echo "  placed: frame $placed"
stop_lorvane
three_starts "$placed" normal

echo "maximized from that placement:"
if [[ "$mode" == bare ]]; then
    # Only a window manager maximizes; it leaves before the starts.
    openbox > "$work/openbox.log" 2>&1 &
    manager=$!
    within 10 manager_runs || fail "openbox did not start"
    start_lorvane
    settled_frame "$main" > /dev/null
    wmctrl -i -r "$main" -b add,maximized_vert,maximized_horz
    within 10 is_maximized "$main" || fail "the window was not maximized"
    settled_frame "$main" > /dev/null
    stop_lorvane
    kill "$manager"
    wait "$manager" 2> /dev/null || true
    within 10 not manager_runs || fail "openbox did not end"
    # Without a window manager nothing maximizes the window: it shows its
    # normal rectangle.
    three_starts "$placed" maximized
else
    start_lorvane
    settled_frame "$main" > /dev/null
    wmctrl -i -r "$main" -b add,maximized_vert,maximized_horz
    within 10 is_maximized "$main" || fail "the window was not maximized"
    maximized="$(settled_frame "$main")"
    stop_lorvane
    three_starts "$maximized" maximized

    # Starts the program maximized, un-maximizes it and checks that it takes
    # the rectangle the user had placed ($1 names the case).
    expect_restored_start() {
        start_lorvane
        settled_frame "$main" > /dev/null
        wmctrl -i -r "$main" -b remove,maximized_vert,maximized_horz
        within 10 not is_maximized "$main" || fail "the window stayed maximized"
        restored="$(settled_frame "$main")"
        echo "  $1: frame $restored"
        [[ "$restored" == "$placed" ]] || fail "$1, the window restores to $restored instead of $placed"
    }

    echo "restored after a maximized start:"
    expect_restored_start "restored"
    # Maximized again in the same run and closed so: the next start still
    # restores to the same rectangle.
    wmctrl -i -r "$main" -b add,maximized_vert,maximized_horz
    within 10 is_maximized "$main" || fail "the window was not maximized again"
    settled_frame "$main" > /dev/null
    stop_lorvane
    expect_restored_start "restored after maximizing twice"
    stop_lorvane
    three_starts "$placed" normal
fi
echo "placement kept over every start"
