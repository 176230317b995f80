#!/usr/bin/env bash
# Options ticked in the analysis dialog survive an analysis that fails: the
# next analysis of the project opens with them.
# modes: openbox icewm
set -euo pipefail
source "$(dirname "$0")/helpers.sh"

project="$work/proj/"
write_source "$project/a.pas" a.pas 03.05.2019
write_source "$project/b.pas" b.pas 04.05.2019

start_lorvane
type_folder "$project"
# A first analysis stores the default options for the project.
analyse 01012019 31122019
wait_count '^Lorvane$' 1

# HTML and descriptions ticked with the mouse, then the run fails on a
# listed file that is gone.
rm "$project/b.pas"
keys F9
dialog="$(wait_window 'Анализ файлов')" || fail "the analysis dialog did not appear"
# The boxes of HTML and Описание, where Fusion puts them with the test's
# fonts.
xdotool mousemove --window "$dialog" 115 83 click 1 mousemove --window "$dialog" 115 107 click 1
keys Return
within 15 window_gone 'Анализ файлов' || fail "the analysis dialog did not close"
wait_count '^Lorvane$' 2
keys Return
wait_count '^Lorvane$' 1
echo "the analysis with HTML and descriptions failed"

write_source "$project/b.pas" b.pas 04.05.2019
analyse
save_suggested
saved="$project/proj.change.htm"
within 10 test -s "$saved" || fail "no HTML report saved: the HTML option was lost ($(ls "$project"))"
grep -q 'class="filedescrip"' "$saved" || fail "the report has no descriptions: the option was lost"
echo "the next analysis kept HTML and descriptions"
stop_lorvane
