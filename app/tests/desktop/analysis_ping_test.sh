#!/usr/bin/env bash
# The Analysis of 10,000 files, with the line limit off, as the window
# manager sees it: the window is pinged every 10 ms, and the longest time
# it left a ping unanswered is printed. The test passes when the saved
# report is the one lorvane-report writes for the same folder and dates.
# modes: openbox icewm
set -euo pipefail
source "$(dirname "$0")/helpers.sh"

# Every file has the same twelve entries, nine days apart, from 28.11.2026.
project="$work/big/"
entries=""
for step in $(seq 0 11); do
    entries+="  $(date -u -d "2026-11-28 - $((9 * step)) days" +%d.%m.%Y) [+] Изменение номер $step в модуле.\r\n"
done
for folder in $(seq 0 99); do
    mkdir -p "$project/d$folder"
    for unit in $(seq 0 99); do
        name="Unit$((folder * 100 + unit)).pas"
        printf "\xEF\xBB\xBF{======\r\n  %s\r\n  Проект\r\n  (текст)\r\n  Модуль.\r\n\r\n  Изменения:\r\n  ----------\r\n${entries}======\r\nCopyright © 2026\r\n  CVS: \$Id: %s \$\r\n======}\r\n" \
            "$name" "$name" > "$project/d$folder/$name"
    done
done

start_lorvane
type_folder "$project"
start_pinging "$main"
keys F9
dialog="$(wait_window 'Анализ файлов')" || fail "the analysis dialog did not appear"
typed 01092026
keys Tab
typed 31122026
# The limit's box ("Ограничение"), where Fusion puts it with the test's fonts.
xdotool mousemove --window "$dialog" 115 132 click 1
keys Return
within 60 window_gone 'Анализ файлов' || fail "the analysis dialog did not close"
save_suggested
stop_pinging

saved="$project/big.change.txt"
within 10 test -s "$saved" || fail "no report saved as $saved"
LC_ALL=C "$build/app/report/lorvane-report" --from 2026-09-01 --to 2026-12-31 "$project" > "$work/expected.txt" \
    || fail "lorvane-report failed"
cmp -s "$saved" "$work/expected.txt" || fail "the saved report differs from lorvane-report's ($(wc -l < "$saved") lines)"
echo "the report of $(wc -l < "$saved") lines is lorvane-report's"
stop_lorvane
