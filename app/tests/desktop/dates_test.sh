#!/usr/bin/env bash
# The date format as the real program takes it from its environment: a bad
# LORVANE_DATE_FORMAT stops the start with a message; the locale of LC_TIME,
# not that of LC_MESSAGES, reads the headers' dates; LORVANE_DATE_FORMAT
# reads them the same under any locale.
set -euo pipefail
source "$(dirname "$0")/helpers.sh"

LORVANE_DATE_FORMAT=dd.mm.yyyy "$build/app/lorvane" >> "$work/lorvane.log" 2>&1 &
app=$!
wait_window '^Lorvane$' > /dev/null || fail "no window at start"
keys Return
within 15 bash -c "! kill -0 $app 2> /dev/null" || fail "the program went on with a bad date format"
status=0
wait "$app" || status=$?
app=""
[[ $status == 1 ]] || fail "the program ended with status $status, not 1"
echo "a bad LORVANE_DATE_FORMAT is reported at start and ends the program"

project="$work/proj/"
saved="$project/proj.change.txt"
write_source "$project/a.pas" a.pas 03.05.2019

# Only the program gets the user's locale: the tools that find windows by
# their Russian names keep the UTF-8 locale of the helpers.
start_lorvane LC_ALL= LANG=C.UTF-8 LC_TIME=en_US.UTF-8 LC_MESSAGES=ru_RU.UTF-8
type_folder "$project"
keys Return
analyse
save_suggested
within 10 test -s "$saved" || fail "no report saved as $saved"
iconv -f CP1251 -t UTF-8 "$saved" | grep -q 'Ошибка: дата в строке 8]' ||
    fail "the dates were not read as M/d/yy: $(iconv -f CP1251 -t UTF-8 "$saved")"
echo "LC_TIME=en_US.UTF-8 reads the dates as M/d/yy, whatever LC_MESSAGES says"
stop_lorvane
rm "$saved"

start_lorvane LORVANE_DATE_FORMAT=dd.MM.yyyy LC_ALL= LANG=C.UTF-8 LC_TIME=en_US.UTF-8
analyse
save_suggested
within 10 test -s "$saved" || fail "no report saved as $saved"
[[ "$(head -n 1 "$saved")" == $'01.01.2001 - 01.01.2001\r' ]] ||
    fail "the report does not read the headers as dd.MM.yyyy: $(iconv -f CP1251 -t UTF-8 "$saved")"
echo "LORVANE_DATE_FORMAT=dd.MM.yyyy reads the headers and shows the dates in it"
stop_lorvane
