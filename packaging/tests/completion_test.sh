#!/usr/bin/env bash
# Runs the bash completions of the commands on typed command lines and checks
# what they offer.
set -uo pipefail
completions=$1
source "$completions/lorvane-report"
source "$completions/lorvane-add"
source "$completions/lorvane-check"
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
expect _lorvane_check "--since|--staged" lorvane-check --s
expect _lorvane_check "github|gnu" lorvane-check --format g
expect _lorvane_check "dd.MM.yyyy" lorvane-check --date-format d
expect _lorvane_check "$scratch/src list.txt|$scratch/src tree|$scratch/src2" lorvane-check --staged "$scratch/src"
# In a repository, --since offers its branches, remote branches and tags;
# elsewhere nothing.
cd "$scratch"
expect _lorvane_check "" lorvane-check --since ""
export HOME=$scratch GIT_CONFIG_NOSYSTEM=1
unset GIT_DIR GIT_WORK_TREE GIT_INDEX_FILE
git -C "$scratch" init -q -b main repo
git -C "$scratch/repo" -c user.name=t -c user.email=t@example.org commit -q --allow-empty -m start
git -C "$scratch/repo" branch feature
git -C "$scratch/repo" tag v1
cd "$scratch/repo"
expect _lorvane_check "feature|main|v1" lorvane-check --since ""
expect _lorvane_check "main" lorvane-check --since m

if ((failures > 0)); then
    exit 1
fi
echo "completions offer what was expected"
