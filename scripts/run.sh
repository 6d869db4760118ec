#!/usr/bin/env bash
# Sets up what is missing for the application alone (no test toolchain),
# builds it, and opens the simulator.
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root_dir/scripts/setup.sh" run

exec "$root_dir/build/app/app/talbrix"
