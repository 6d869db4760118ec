#!/usr/bin/env bash
# Measures keeping a run in the real window, headless, and prints the figures
# (see bench/keeprunprobe.cpp): the record's size for a 10-minute
# session of busy slider work, the time to open a 1-million-tick scenario and
# the time to save a 1-hour run as a table, with the table's size.
# Usage: scripts/measure-keeprun.sh [BUILD_DIR]   (default build/dev; build first)
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${1:-$root_dir/build/dev}"
runtime_dir=$(mktemp -d "${TMPDIR:-/tmp}/talbrix-runtime.XXXXXX")
trap 'rm -rf "$runtime_dir"' EXIT
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$runtime_dir "$build_dir/bench/talbrix-keeprun-probe"
