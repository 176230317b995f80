# Shared by the desktop tests: starts and closes the real program, reads
# what the screen shows. Sourced by a test that got the build folder as $1.

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)"
build="$1"
source "$root/scripts/windows.sh"

work="$(mktemp -d)"
export XDG_CONFIG_HOME="$work/config"
export LC_ALL=C.UTF-8
export QT_QPA_PLATFORM=xcb
app=""
main=""
trap '[[ -n "$app" ]] && kill "$app" 2> /dev/null; rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    exit 1
}

# Starts the program; NAME=VALUE arguments are added to its environment.
start_lorvane() {
    env "$@" "$build/app/lorvane" >> "$work/lorvane.log" 2>&1 &
    app=$!
    main="$(wait_window '^Lorvane$')" || fail "the main window did not appear: $(tail -n 5 "$work/lorvane.log")"
}

# Closes the window as its close box does and waits for the program to end.
close_window() {
    "$build/app/tests/desktop/desktop_closewindow" "$1" || fail "cannot close window $1"
}

stop_lorvane() {
    close_window "$main"
    within 15 bash -c "! kill -0 $app 2> /dev/null" || fail "the program did not end when its window closed"
    wait "$app" || fail "the program ended with status $?: $(tail -n 5 "$work/lorvane.log")"
    app=""
}

# The rectangle of the window's frame as the user sees it, "x y width
# height": the window with the margins its window manager announces.
frame_rect() {
    local info x y w h extents l=0 r=0 t=0 b=0
    info="$(xwininfo -id "$1")" || return 1
    x=$(awk '/Absolute upper-left X/ {print $4}' <<< "$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<< "$info")
    w=$(awk '/^ *Width:/ {print $2}' <<< "$info")
    h=$(awk '/^ *Height:/ {print $2}' <<< "$info")
    extents="$(xprop -id "$1" _NET_FRAME_EXTENTS 2> /dev/null)" || true
    if [[ "$extents" == *=* ]]; then
        read -r l r t b <<< "$(sed 's/.*= //; s/,//g' <<< "$extents")"
    fi
    echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}

# The frame rectangle once it has stopped changing (the same in two reads
# 100 ms apart), within 10 seconds.
settled_frame() {
    local before now deadline=$((SECONDS + 10))
    before="$(frame_rect "$1")"
    while ((SECONDS < deadline)); do
        sleep 0.1
        now="$(frame_rect "$1")"
        if [[ "$now" == "$before" ]]; then
            echo "$now"
            return
        fi
        before="$now"
    done
    fail "the frame of window $1 did not settle"
}

frame_is() {
    [[ "$(frame_rect "$1")" == "$2" ]]
}

not() {
    ! "$@"
}

# A window manager announces itself by a window of its own, which it does
# not always withdraw when it ends.
manager_runs() {
    local id
    id="$(xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | awk '/window id/ {print $NF}')"
    [[ -n "$id" ]] && xwininfo -id "$id" > /dev/null 2>&1
}

is_maximized() {
    xprop -id "$1" _NET_WM_STATE | grep -q _NET_WM_STATE_MAXIMIZED_VERT
}

# The visible window whose name matches $1 is there, or is gone.
window_shown() {
    [[ -n "$(xdotool search --onlyvisible --name "$1" 2> /dev/null | head -n 1)" ]]
}
window_gone() {
    ! window_shown "$1"
}

# A source file whose header holds one change entry dated $3.
write_source() {
    local path="$1" name="$2" date="$3"
    mkdir -p "$(dirname "$path")"
    printf '\xEF\xBB\xBF{==============================================================================\r\n  %s\r\n  Проект\r\n  (текст)\r\n  Описание модуля.\r\n\r\n  Изменения:\r\n  ----------\r\n  %s [+] Изменение.\r\n===============================================================================\r\nCopyright © %s\r\n  CVS: $Id: %s,v 1.1 $\r\n==============================================================================}\r\n' \
        "$name" "$date" "${date: -4}" "$name" > "$path"
}

# Keys for the focused window.
keys() {
    xdotool key --delay 20 "$@"
}
typed() {
    xdotool type --delay 10 "$1"
}

# Replaces the text of the folder box, clicked as a user would.
type_folder() {
    xdotool mousemove --window "$main" 300 56 click 1
    keys ctrl+a BackSpace
    typed "$1"
}

# How many visible windows have a name matching $1.
windows_named() {
    xdotool search --onlyvisible --name "$1" 2> /dev/null | wc -l
}

# Waits until $2 visible windows have a name matching $1.
wait_count() {
    within 15 count_is "$1" "$2" || fail "expected $2 windows named $1, found $(windows_named "$1")"
}
count_is() {
    [[ "$(windows_named "$1")" == "$2" ]]
}

# Runs the Analysis command by its key and the dialog by Enter; with $1,
# the dates are typed first (day, month, year; start, then end).
analyse() {
    keys F9
    wait_window 'Анализ файлов' > /dev/null || fail "the analysis dialog did not appear"
    if [[ $# -gt 0 ]]; then
        typed "$1"
        keys Tab
        typed "$2"
        shift 2
    fi
    if [[ $# -gt 0 ]]; then
        keys "$@"
    fi
    keys Return
    within 15 window_gone 'Анализ файлов' || fail "the analysis dialog did not close"
}

# Saves the report under the suggested name, in the folder the dialog
# starts in.
save_suggested() {
    keys ctrl+s
    wait_window 'Запись файла' > /dev/null || fail "the save dialog did not appear"
    keys Return
    within 15 window_gone 'Запись файла' || fail "the save dialog did not close"
}
