#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test.
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root_dir/scripts/setup.sh"
cd "$root_dir"
ctest --preset dev --parallel "$(nproc)"
