#!/usr/bin/env bash
# Runs every libFuzzer target (or the ones named) for a while and reports how
# many inputs each tried. Needs Clang; builds the fuzz targets in the `asan`
# preset's tree (configuring it first when needed).
#
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#   SECONDS_PER_TARGET  default 20
#   TARGET              val, str_format, scenario, lesson (default: all four)
#
# Inputs the fuzzer finds interesting go to build/asan/fuzz/work/<target>, not
# into the repository's seed corpus; an input that breaks a property is saved
# as build/asan/fuzz/artifacts/<target>-crash-<hash>, and the script fails.
# Exit status: 0 all targets ran clean (or Clang is missing: skipped), 1 a
# target failed.
set -uo pipefail

root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-20}"
shift $(($# > 0 ? 1 : 0))
targets=("$@")
((${#targets[@]} > 0)) || targets=(val str_format scenario lesson)
build_dir="$root_dir/build/asan"

if ! command -v clang++ >/dev/null; then
    echo "SKIP fuzzing: clang++ is not installed (libFuzzer comes with Clang; bash scripts/setup.sh installs it)"
    exit 0
fi

cd "$root_dir"
if [[ ! -f "$build_dir/CMakeCache.txt" ]]; then
    cmake --preset asan >/dev/null || exit 1
fi
cmake --build "$build_dir" --parallel "$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null || {
    echo "FAIL: the fuzz targets do not build" >&2
    exit 1
}

mkdir -p "$build_dir/fuzz/artifacts"
failures=0
for target in "${targets[@]}"; do
    work="$build_dir/fuzz/work/$target"
    log="$build_dir/fuzz/$target.log"
    mkdir -p "$work"
    options=(-max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$build_dir/fuzz/artifacts/$target-")
    [[ -f "fuzz/$target.dict" ]] && options+=(-dict="fuzz/$target.dict")
    "$build_dir/fuzz/fuzz_$target" "${options[@]}" "$work" "fuzz/corpus/$target" >"$log" 2>&1
    status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    if ((status == 0)); then
        echo "fuzz $target: ${runs:-?} inputs in ${seconds} s, no property broken"
    else
        tail -n 40 "$log" >&2
        echo "FAIL fuzz $target: status $status after ${runs:-?} inputs; input saved under" \
            "$build_dir/fuzz/artifacts/ (replay: $build_dir/fuzz/fuzz_$target FILE)" >&2
        failures=$((failures + 1))
    fi
done
((failures == 0))
