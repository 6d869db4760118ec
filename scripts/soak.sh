#!/usr/bin/env bash
# The long soak: sets up and builds the `dev` preset, then runs the long-run
# agreement test (the real window and the in-memory window under a random
# user, compared after every tick) for many ticks: default 1 million, about
# 2.8 hours of simulated time.
#
# Usage: scripts/soak.sh [TICKS] [SEED]
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root_dir/scripts/setup.sh"
runtime_dir="$(mktemp -d)"
trap 'rm -rf "$runtime_dir"' EXIT
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime_dir" \
    TALBRIX_SOAK_TICKS="${1:-1000000}" TALBRIX_SOAK_SEED="${2:-20250611}" \
    "$root_dir/build/dev/tests/window/tst_longrun"
