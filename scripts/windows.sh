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
