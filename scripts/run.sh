#!/usr/bin/env bash
# Sets up what is missing, builds, and opens the simulator.
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root_dir/scripts/setup.sh"

exec "$root_dir/build/dev/app/talbrix"
