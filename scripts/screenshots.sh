#!/usr/bin/env bash
# Builds Lorvane, runs it under Xvfb on the sample project and photographs
# the analysis dialog and the main window with the report into docs/.
#
#   scripts/screenshots.sh [build-dir]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-screenshots}"
docs="$root/docs"
project="$root/samples/Warehouse/"

if [[ "${LORVANE_IN_XVFB:-}" != 1 ]]; then
    missing=()
    for tool in xvfb-run:xvfb xdotool:xdotool xwd:x11-apps xwdtopnm:netpbm; do
        command -v "${tool%%:*}" > /dev/null || missing+=("${tool#*:}")
    done
    if ((${#missing[@]})); then
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
    cmake -S "$root" -B "$build" > /dev/null
    cmake --build "$build" -j2 --target lorvane
    mkdir -p "$docs"
    LORVANE_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$0" "$build"
fi

# Inside Xvfb from here on.
settings="$(mktemp -d)"
trap 'kill "$app" 2> /dev/null || true; rm -rf "$settings"' EXIT

source "$root/scripts/windows.sh"

photograph() {
    sleep 0.5
    xwd -silent -id "$1" | xwdtopnm 2> /dev/null | pnmtopng > "$2"
    echo "wrote $2"
}

XDG_CONFIG_HOME="$settings" LC_ALL=C.UTF-8 "$build/app/lorvane" &
app=$!
main="$(wait_window '^Lorvane$')"

# The folder text, typed as the user would; then the Analysis button.
xdotool mousemove --window "$main" 300 56 click --repeat 3 1
xdotool type --delay 5 "$project"
xdotool mousemove --window "$main" 86 24 click 1

dialog="$(wait_window 'Анализ файлов')"
# Focus starts in the start date: day, month and year, then the end date.
xdotool type --delay 20 "01012017"
xdotool key Tab
xdotool type --delay 20 "31122026"
# With the descriptions.
xdotool mousemove --window "$dialog" 115 107 click 1
photograph "$dialog" "$docs/analysis-dialog.png"

xdotool key Return
sleep 1
photograph "$main" "$docs/main-window.png"
