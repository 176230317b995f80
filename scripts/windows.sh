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
