#!/usr/bin/env bash
# Runs the bash completions of the commands on typed command lines and checks
# what they offer.
set -uo pipefail
completions=$1
source "$completions/lorvane-report"
source "$completions/lorvane-add"
# Only meaningful inside a real completion; the offers are the same without it.
compopt() { :; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/src tree" "$scratch/src2"
touch "$scratch/src list.txt"

failures=0
# expect FUNCTION EXPECTED WORD...: completes the last WORD and compares the
# offers, sorted and joined with "|", with EXPECTED.
expect()
{
    local function=$1 expected=$2
    shift 2
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    "$function"
    local actual
    actual=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd '|')
    if [[ $actual != "$expected" ]]; then
        echo "FAIL: ${COMP_WORDS[*]}: expected '$expected', got '$actual'"
        failures=$((failures + 1))
    fi
}

today=$(date +%F)
expect _lorvane_report "--only-changes" lorvane-report --on
expect _lorvane_report "--files-from|--format|--from" lorvane-report --f
expect _lorvane_report "--strict" lorvane-report --from 2019-01-01 --st
expect _lorvane_report "" lorvane-report --from ""
expect _lorvane_report "$today" lorvane-report --from 2019-01-01 --to ""
expect _lorvane_report "" lorvane-report --limit ""
expect _lorvane_report "html|json|markdown|text" lorvane-report --format ""
expect _lorvane_report "markdown" lorvane-report --format m
expect _lorvane_report "--errors-only|--exclude" lorvane-report --e
expect _lorvane_report "" lorvane-report --exclude ""
expect _lorvane_report "$scratch/src list.txt|$scratch/src tree|$scratch/src2" \
    lorvane-report --files-from "$scratch/src"
expect _lorvane_report "$scratch/src tree|$scratch/src2" lorvane-report --html "$scratch/src"
expect _lorvane_report "--date-format" lorvane-report --da
expect _lorvane_report "MM/dd/yyyy" lorvane-report --date-format M
expect _lorvane_add "--date|--date-format|--dry-run" lorvane-add --d
expect _lorvane_add "yyyy-MM-dd" lorvane-add --date-format y
expect _lorvane_add "$today" lorvane-add --date ""
expect _lorvane_add "+|\\*" lorvane-add --marker ""
expect _lorvane_add "" lorvane-add --text ""
expect _lorvane_add "$scratch/src list.txt|$scratch/src tree|$scratch/src2" lorvane-add --text x "$scratch/src"

if ((failures > 0)); then
    exit 1
fi
echo "completions offer what was expected"
