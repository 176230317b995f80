#!/usr/bin/env bash
# A folder typed by hand without its final "/": Enter lists its files, and
# it is its own project, not its parent's.
# modes: openbox icewm
set -euo pipefail
source "$(dirname "$0")/helpers.sh"

project="$work/Gen300"
write_source "$project/a.pas" a.pas 03.05.2019
write_source "$project/sub/b.pas" b.pas 04.05.2019

start_lorvane
type_folder "$project"
keys Return
# Enter has listed both files: with one of them gone, the analysis reads the
# list it has and cannot open it.
rm "$project/sub/b.pas"
analyse 01012019 31122019
wait_count '^Lorvane$' 2
echo "a listed file gone: the analysis shows an error, so Enter had listed the files"
keys Return
wait_count '^Lorvane$' 1

write_source "$project/sub/b.pas" b.pas 04.05.2019
analyse
save_suggested
saved="$project/Gen300.change.txt"
within 10 test -s "$saved" || fail "no report saved as $saved: $(ls "$project")"
grep -q "b.pas" "$saved" || fail "the saved report lacks b.pas"
echo "saved as $(basename "$saved")"

stop_lorvane
store="$XDG_CONFIG_HOME/Tessivar/Lorvane.conf"
grep -q '^Gen300\\Line0000000000=' "$store" || fail "no settings section for Gen300 in $store"
if grep -q "^$(basename "$work")\\\\Line" "$store"; then
    fail "the options went to the parent folder's project"
fi
echo "options stored for the project Gen300"
