#!/usr/bin/env bash
# The long soak: sets up and builds the `dev` preset, then runs the soak test
# for many ticks (default 10 million, about 28 hours of simulated time; some
# seconds per million ticks) and prints what it saw.
#
# Usage: scripts/soak.sh [TICKS] [SEED]
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root_dir/scripts/setup.sh"
TALBRIX_SOAK_TICKS="${1:-10000000}" TALBRIX_SOAK_SEED="${2:-20250611}" \
    "$root_dir/build/dev/tests/soak/soak_tests"
