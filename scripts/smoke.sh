#!/usr/bin/env bash
# Starts the real program under Xvfb with a corrupt settings store on a tree
# of awkward inputs, analyses it, saves the report, and checks that the
# program is still running and wrote the report.
#
#   scripts/smoke.sh [build-dir]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"

if [[ "${LORVANE_IN_XVFB:-}" != 1 ]]; then
    "$root/scripts/deps.sh" xvfb xauth xdotool
    cmake -S "$root" -B "$build" > /dev/null
    cmake --build "$build" -j2 --target lorvane
    LORVANE_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$0" "$build"
fi

work="$(mktemp -d)"
trap 'kill "$app" 2> /dev/null || true; rm -rf "$work"' EXIT

# The tree: the sample project, a link to nowhere, a name that is not
# UTF-8, a FIFO named like a source file and a loop of folder links.
tree="$work/tree"
mkdir -p "$tree/loop"
cp -r "$root/samples/Warehouse/." "$tree/"
ln -s "$work/nowhere" "$tree/Zz_Dangling.pas"
cp "$root/samples/Warehouse/Pricing.pas" "$tree/$(printf 'caf\xe9.pas')"
mkfifo "$tree/loop/Pipe.sql"
ln -s .. "$tree/loop/back"

# A settings store of random bytes.
mkdir -p "$work/config/Tessivar"
head -c 4096 /dev/urandom > "$work/config/Tessivar/Lorvane.conf"

source "$root/scripts/windows.sh"

alive() {
    kill -0 "$app" 2> /dev/null || {
        echo "the program ended: $1" >&2
        exit 1
    }
}

analyse() {
    xdotool mousemove --window "$main" 300 56 click --repeat 3 1
    xdotool type --delay 5 "$tree/"
    xdotool mousemove --window "$main" 86 24 click 1
    wait_window 'Анализ файлов' > /dev/null
    xdotool type --delay 20 "01012017"
    xdotool key Tab
    xdotool type --delay 20 "31122026"
    xdotool key Return
    sleep 1
}

XDG_CONFIG_HOME="$work/config" LC_ALL=C.UTF-8 "$build/app/lorvane" &
app=$!
main="$(wait_window '^Lorvane$')"
alive "at start"

# The link to nowhere and the FIFO end the analysis with a message.
analyse
alive "after the first analysis"
xdotool key Return
sleep 0.5
alive "after the message"

# Without them the analysis gives a report, which is saved.
rm "$tree/Zz_Dangling.pas" "$tree/loop/Pipe.sql"
analyse
alive "after the second analysis"
xdotool mousemove --window "$main" 140 24 click 1
wait_window 'Запись файла' > /dev/null
xdotool key ctrl+a
xdotool type --delay 5 "$work/report.txt"
xdotool key Return
sleep 1
alive "after saving"
[[ -s "$work/report.txt" ]] || {
    echo "no report was saved" >&2
    exit 1
}
echo "smoke run passed: started, analysed and saved ($(wc -c < "$work/report.txt") bytes)"
