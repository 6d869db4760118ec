#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test: the `dev` preset's
# suite; then, with Clang, the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer together with clang-tidy (the `asan` preset),
# after a short run of every fuzz target (TALBRIX_FUZZ_SECONDS per target,
# default 20).
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root_dir/scripts/setup.sh" test
cd "$root_dir"
ctest --preset dev --parallel "$(nproc)"

if ! command -v clang++ >/dev/null; then
    echo "SKIP: clang++ is not installed, so no sanitizer build, clang-tidy or fuzzing" \
        "(bash scripts/setup.sh installs it)"
    exit 0
fi
cmake --preset asan
cmake --build --preset asan --parallel "$(nproc)"
bash "$root_dir/scripts/fuzz.sh" "${TALBRIX_FUZZ_SECONDS:-20}"
# Last, so that the run ends on the test summary.
ctest --preset asan --parallel "$(nproc)"
