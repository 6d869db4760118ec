#!/usr/bin/env bash
# Sets up what is missing, builds, and opens the simulator.
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root_dir/scripts/setup.sh"

# Until the window lands, this runs the headless scenario runner on a short
# built-in demo scenario.
echo "The window is not built yet: running the headless scenario runner on a demo scenario." >&2
"$root_dir/build/dev/tools/talbrix-trace" "$root_dir/tools/demo.scenario"
