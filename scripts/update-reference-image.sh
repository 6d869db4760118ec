#!/usr/bin/env bash
# Redraws tests/window/reference/window-at-load.png, the picture of the window
# at load that window-tst_form compares against, from the `dev` build (run
# scripts/setup.sh or scripts/test.sh first). Only after a deliberate change
# of the look; review the new picture before committing it.
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${1:-$root_dir/build/dev}"
runtime_dir="$(mktemp -d)"
trap 'rm -rf "$runtime_dir"' EXIT
cmake --build "$build_dir" --target tst_form
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime_dir" TALBRIX_UPDATE_REFERENCE=1 \
    "$build_dir/tests/window/tst_form" windowAtLoadLooksAsTheReference
git -C "$root_dir" status --short tests/window/reference
