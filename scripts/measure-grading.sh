#!/usr/bin/env bash
# Times grading a class: COUNT scripted students (default 300) each follow
# the lesson (default the peripheral-resistance one), letting the run go for
# IDLE ticks first (default 30000, five minutes of the model's time) so that
# every result holds a run as long as a real lesson's; then
# talbrix-trace --grade checks them all and the time it took is printed.
# Usage: scripts/measure-grading.sh [BUILD_DIR] [COUNT] [IDLE] [LESSON]
#        (default build/dev; build first)
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="${1:-$root_dir/build/dev}"
count="${2:-300}"
idle="${3:-30000}"
lesson="${4:-$root_dir/lessons/peripheral-resistance.lesson}"
class_dir=$(mktemp -d "${TMPDIR:-/tmp}/talbrix-class.XXXXXX")
trap 'rm -rf "$class_dir"' EXIT
"$build_dir/tests/tools/lesson-class" "$lesson" "$class_dir" "$count" "$idle"
size=$(du -sk "$class_dir" | cut -f1)
start=$(date +%s.%N)
"$build_dir/tools/talbrix-trace" --grade "$lesson" "$class_dir"/*.result > "$class_dir/grades.csv"
end=$(date +%s.%N)
verified=$(grep -c '",yes,' "$class_dir/grades.csv" || true)
echo "graded $count results ($size KB, $idle+ ticks each) in $(awk -v a="$start" -v b="$end" "BEGIN { printf \"%.2f\", b - a }") s; $verified verified"
