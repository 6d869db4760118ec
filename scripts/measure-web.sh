#!/usr/bin/env bash
# Builds the web edition if needed and measures it in headless Chromium:
# file size, time to the first frame, real-time factor and the renderer's CPU
# over SECONDS of running (default 30), and the WebAssembly model's speed;
# with --reference, also while the beats panel is open and a reference held.
#   bash scripts/measure-web.sh [SECONDS] [--reference]
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
page="$(bash "$root_dir/scripts/web.sh" --build-only | tail -1)"
for package in chromium chromium-driver python3-selenium; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
        { echo "missing $package: bash scripts/test.sh installs it" >&2; exit 1; }
done
exec /usr/bin/python3 "$root_dir/scripts/measure-web.py" "$page" "${1:-30}" "${@:2}"
