#!/usr/bin/env bash
# Commits through Debian's pre-commit with the hook that this checkout's
# .pre-commit-hooks.yaml defines, offline: a change of a source file without
# a change entry is refused, and after lorvane-add it goes through.
#   precommit_test.sh SOURCE_FOLDER LORVANE_CHECK LORVANE_ADD
set -euo pipefail
source_folder=$1 check=$(realpath "$2") add=$(realpath "$3")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Nothing of the machine's git or pre-commit configuration, nor its locale's
# date format; the built lorvane-check is the one on PATH.
export HOME=$work/home PRE_COMMIT_HOME=$work/pre-commit XDG_CACHE_HOME=$work/cache
export GIT_CONFIG_NOSYSTEM=1 LORVANE_DATE_FORMAT=dd.MM.yyyy
export GIT_AUTHOR_NAME=Tester GIT_COMMITTER_NAME=Tester
export GIT_AUTHOR_EMAIL=tester@example.org GIT_COMMITTER_EMAIL=tester@example.org
unset GIT_DIR GIT_WORK_TREE GIT_INDEX_FILE
mkdir -p "$HOME" "$work/bin"
ln -s "$check" "$work/bin/lorvane-check"
export PATH=$work/bin:$PATH

# The repository that pre-commit clones: this checkout's hook file, committed
# on its own, since the checkout may be a worktree or hold changes not yet
# committed.
git init -q -b main "$work/hooks"
cp "$source_folder/.pre-commit-hooks.yaml" "$work/hooks/"
git -C "$work/hooks" add .pre-commit-hooks.yaml
git -C "$work/hooks" commit -q -m hooks
rev=$(git -C "$work/hooks" rev-parse HEAD)

project=$work/project
git init -q -b main "$project"
cd "$project"
cat >.pre-commit-config.yaml <<CONFIG
repos:
  - repo: $work/hooks
    rev: $rev
    hooks: [{id: lorvane-check}]
CONFIG
# A header in UTF-8 with its mark, which any code page reads.
{
    printf '\xEF\xBB\xBF'
    printf '%s\r\n' '{==========' '  Pricing.pas' '' '' '  Расчёт цен.' '' '  Изменения:' '  ----------' \
        '  05.03.2019 [+] Учёт наценки.' '==========' 'Copyright © 2019' '  CVS: $Id: x $' '==========}'
} >Pricing.pas
printf 'notes\n' >notes.txt
git add -A
git commit -q -m start
pre-commit install >/dev/null

# A commit without a source file does not run the hook at all.
printf 'more notes\n' >>notes.txt
git add notes.txt
git commit -q -m notes >"$work/notes.log" 2>&1 || fail "a commit of notes only was refused: $(cat "$work/notes.log")"

printf '  x := 1;\r\n' >>Pricing.pas
git add Pricing.pas
if git commit -q -m change >"$work/refused.log" 2>&1; then
    fail "a change without an entry was committed"
fi
grep -q 'Pricing.pas:7: Ошибка: нет новой записи в списке изменений.' "$work/refused.log" ||
    fail "the refusal does not name the problem: $(cat "$work/refused.log")"
[[ $(git rev-list --count HEAD) == 2 ]] || fail "the refused commit was made"

"$add" --text 'Наценка поставщика.' Pricing.pas
git add Pricing.pas
git commit -q -m change >"$work/done.log" 2>&1 || fail "the commit with an entry was refused: $(cat "$work/done.log")"
[[ $(git rev-list --count HEAD) == 3 ]] || fail "the commit with an entry was not made"
echo "pre-commit refused the change without an entry and took it with one"
