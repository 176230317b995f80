#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and the sanitizers and runs each
# for a bounded time (FUZZ_SECONDS, default 60) from its seed corpus. Any
# finding fails the run; its reproducer is left in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh clang libclang-rt-14-dev
seconds=${FUZZ_SECONDS:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DLORVANE_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
targets=(report_fuzz add_fuzz formats_fuzz version_fuzz names_fuzz settings_reader_fuzz settings_lines_fuzz)
cmake --build build-fuzz -j2 --target "${targets[@]}"

declare -A corpus=(
    [report_fuzz]=core/fuzz/report_corpus
    [add_fuzz]=core/fuzz/add_corpus
    [formats_fuzz]=formats/fuzz/corpus
    [version_fuzz]=version/fuzz/corpus
    [names_fuzz]=discovery/fuzz/corpus
    [settings_reader_fuzz]=settings/fuzz/corpus
    [settings_lines_fuzz]=settings/fuzz/lines_corpus
)
mkdir -p build-fuzz/findings
status=0
for target in "${targets[@]}"; do
    binary=$(find build-fuzz -type f -name "$target" -perm -u+x | head -n 1)
    work=$(mktemp -d)
    echo "== $target for ${seconds}s"
    if ! "$binary" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/findings/$target-" "$work" "${corpus[$target]}" 2>&1 | tail -n 12; then
        status=1
    fi
    rm -rf "$work"
done
exit $status
