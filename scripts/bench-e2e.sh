#!/usr/bin/env bash
# Times lorvane-report against ripgrep doing the same job on one generated
# tree of 10,000 source files: the commands alternate, each is warmed up
# once, and the medians of the runs are printed with the ratios to ripgrep
# and the peak memory of each command. Not part of the test run.
#   scripts/bench-e2e.sh [RUNS]   (default 5)
# LORVANE_REPORT_EXE names another lorvane-report to time, such as an
# earlier build.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
scripts/deps.sh ripgrep time
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build -j2 --target lorvane-report generate_tree >/dev/null
report=${LORVANE_REPORT_EXE:-$(find build -type f -name lorvane-report -perm -u+x | head -n 1)}
generator=$(find build -type f -name generate_tree -perm -u+x | head -n 1)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree="$work/tree"
echo "generating the tree in $tree ..."
"$generator" "$tree"
# Written back before timing, so that no command shares the disk with it.
sync
export LC_ALL=C

names=(rg small year)
commands=(
    "rg -c --no-ignore -g *.pas ^\\s+[0-9]{2}\\.[0-9]{2}\\.[0-9]{4} $tree"
    "$report --from 2026-11-30 --to 2026-12-01 --only-changes $tree"
    "$report --from 2026-01-01 --to 2026-12-31 $tree"
)

# Runs command number $1 once; appends "milliseconds kilobytes" to its log.
run_one() {
    local -a argv
    read -r -a argv <<<"${commands[$1]}"
    local begin end
    local status=0
    begin=$(date +%s%N)
    /usr/bin/time -f %M -o "$work/mem" "${argv[@]}" >"$work/out.${names[$1]}" 2>"$work/err" || status=$?
    end=$(date +%s%N)
    # A failed run would be timed as a fast one.
    if [ "$status" -ne 0 ] || [ ! -s "$work/out.${names[$1]}" ]; then
        echo "${names[$1]} failed with status $status:" >&2
        cat "$work/err" >&2
        exit 1
    fi
    echo "$(((end - begin) / 1000000)) $(cat "$work/mem")" >>"$work/log.${names[$1]}"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for i in 0 1 2; do
    run_one "$i"
    rm -f "$work/log.${names[$i]}"
done
for ((r = 0; r < runs; ++r)); do
    for i in 0 1 2; do
        run_one "$i"
    done
done

declare -A ms kb
for i in 0 1 2; do
    ms[${names[$i]}]=$(cut -d' ' -f1 "$work/log.${names[$i]}" | median)
    kb[${names[$i]}]=$(cut -d' ' -f2 "$work/log.${names[$i]}" | sort -n | tail -n 1)
done
lines_small=$(wc -l <"$work/out.small")
lines_year=$(wc -l <"$work/out.year")

echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg), cores: $(nproc), runs: $runs"
printf '%-48s %9s %9s %12s\n' command median ratio "peak memory"
printf '%-48s %6d ms %9s %8d KiB\n' "rg -c (dated change lines)" "${ms[rg]}" "1.00" "${kb[rg]}"
printf '%-48s %6d ms %8.2fx %8d KiB\n' "lorvane-report small window ($lines_small lines)" "${ms[small]}" \
    "$(echo "${ms[small]} / ${ms[rg]}" | bc -l)" "${kb[small]}"
printf '%-48s %6d ms %8.2fx %8d KiB\n' "lorvane-report one year ($lines_year lines)" "${ms[year]}" \
    "$(echo "${ms[year]} / ${ms[rg]}" | bc -l)" "${kb[year]}"
echo "targets: small window <= 0.75x, one year <= 1.00x with peak memory <= 65536 KiB"
