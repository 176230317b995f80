# Helpers for driving Lorvane's windows under Xvfb; sourced by the scripts
# that do.

# Prints the id of the first visible window whose name matches $1, waiting
# up to 15 seconds for it.
wait_window() {
    local id
    for _ in $(seq 150); do
        id="$(xdotool search --onlyvisible --name "$1" 2> /dev/null | head -n 1)" || true
        if [[ -n "$id" ]]; then
            echo "$id"
            return
        fi
        sleep 0.1
    done
    echo "no window named $1" >&2
    return 1
}

# Polls `$@` every 50 ms for up to $1 seconds.
within() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

# Starts an Xvfb of its own with a screen of $1 (WIDTHxHEIGHT) at 96 dpi and
# points DISPLAY at it; its process id goes to display_server, its messages
# to the file $2. It must not reset when its last client leaves, as it does
# between two starts without a window manager.
start_display() {
    local numbers
    numbers="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 "${1}x24" -dpi 96 -nolisten tcp -noreset 3> "$numbers" 2> "$2" &
    display_server=$!
    if ! within 10 test -s "$numbers"; then
        rm -f "$numbers"
        echo "Xvfb did not start: $(cat "$2")" >&2
        return 1
    fi
    DISPLAY=":$(head -n 1 "$numbers")"
    export DISPLAY
    rm -f "$numbers"
}

# Starts the window manager $1 (openbox or icewm) on DISPLAY and waits until
# it has announced itself; its process id goes to window_manager, its
# messages to the file $2. "bare" starts none.
start_manager() {
    window_manager=""
    case "$1" in
    bare) return ;;
    openbox) openbox > "$2" 2>&1 & ;;
    # Its own empty settings folder: the defaults, whatever the user keeps.
    icewm) ICEWM_PRIVCFG="$(dirname "$2")/icewm" icewm > "$2" 2>&1 & ;;
    *)
        echo "unknown window manager $1" >&2
        return 1
        ;;
    esac
    window_manager=$!
    within 10 bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q "window id"' || {
        echo "$1 did not start: $(cat "$2")" >&2
        return 1
    }
}
