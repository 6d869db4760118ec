#!/usr/bin/env bash
# Measures the simulator under Xvfb at 96 dpi and prints the figures:
#   - the real app: time from launch to its window being shown, CPU use (% of
#     one core) over the running seconds after Start, and peak resident memory;
#   - the same window in the probe program: ticks against wall time over the
#     same span (the real-time factor, 1.00 when 100 ticks run per second),
#     its own CPU use, and the gaps between timer firings.
# Usage: scripts/measure-window.sh [seconds]   (default 30; build first)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/xvfb-session.sh"

seconds="${1:-30}"
probe="${TALBRIX_PROBE:-$(dirname "$app")/../tests/window/talbrix-window-probe}"

process_cpu_ticks() { # user + system clock ticks of a process
    awk '{ print $14 + $15 }' "/proc/$1/stat"
}

ensure_x_tools
trap stop_session EXIT
start_xvfb

# Launch to shown: poll for the mapped window every 10 ms.
launched_ns=$(date +%s%N)
QT_QPA_PLATFORM=xcb "$app" &
app_pid=$!
window_id=""
until window_id="$(xdotool search --onlyvisible --name '^Talbrix Simulation$' 2>/dev/null | head -1)" \
    && [[ -n "$window_id" ]]; do
    sleep 0.01
done
shown_ns=$(date +%s%N)
echo "app: launch_to_shown_ms=$(((shown_ns - launched_ns) / 1000000))"

sleep 1
press_start
sleep 1
clock_ticks=$(getconf CLK_TCK)
cpu_before=$(process_cpu_ticks "$app_pid")
wall_before=$(date +%s%N)
sleep "$seconds"
cpu_after=$(process_cpu_ticks "$app_pid")
wall_after=$(date +%s%N)
peak_kb=$(awk '/VmHWM/ { print $2 }' "/proc/$app_pid/status")
awk -v cpu="$((cpu_after - cpu_before))" -v hz="$clock_ticks" \
    -v wall="$((wall_after - wall_before))" -v peak="$peak_kb" \
    'BEGIN { printf "app: running_s=%.1f cpu_percent=%.2f peak_rss_kb=%d\n", wall / 1e9, 100 * cpu / hz / (wall / 1e9), peak }'
press_pause
kill "$app_pid" && wait "$app_pid" 2>/dev/null || true
app_pid=""

if [[ -x "$probe" ]]; then
    echo "probe: $(QT_QPA_PLATFORM=xcb "$probe" "$seconds" 2>/dev/null)"
else
    echo "No probe at $probe: build the tests (BUILD_TESTING=ON) or set TALBRIX_PROBE" >&2
    exit 1
fi
