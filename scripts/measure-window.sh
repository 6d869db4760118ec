#!/usr/bin/env bash
# Measures the simulator under Xvfb at 96 dpi and prints the figures:
#   - the real app: time from launch to its window being shown, CPU use (% of
#     one core) over the running seconds after Start, and peak resident memory;
#   - the same window in the probe program: ticks against wall time over the
#     same span (the real-time factor, 1.00 when 100 ticks run per second),
#     its own CPU use, and the gaps between timer firings.
# With --zoom PERCENT (100, 200 or 300) both are zoomed right after Start, the
# app by its own shortcut (Ctrl+=), under a settings folder of their own so
# that neither the user's remembered zoom nor this one carries over.
# Usage: scripts/measure-window.sh [--zoom PERCENT] [seconds]   (default 30; build first)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/xvfb-session.sh"

zoom=100
if [[ "${1:-}" == --zoom ]]; then
    zoom="${2:-}"
    shift 2 || true
fi
seconds="${1:-30}"
if [[ ! "$seconds" =~ ^[0-9]+$ || ! "$zoom" =~ ^(100|200|300)$ ]]; then
    echo "usage: $0 [--zoom 100|200|300] [seconds]   (a whole number, default 30)" >&2
    exit 2
fi
settings_dir="$(mktemp -d)"
export XDG_CONFIG_HOME="$settings_dir"
probe="${TALBRIX_PROBE:-$(dirname "$app")/../bench/talbrix-window-probe}"

process_cpu_ticks() { # user + system clock ticks of a process
    awk '{ print $14 + $15 }' "/proc/$1/stat"
}

check_app
if [[ ! -x "$probe" ]]; then
    echo "No probe at $probe: build the benchmarks (TALBRIX_BUILD_BENCHMARKS=ON) or set TALBRIX_PROBE" >&2
    exit 1
fi
ensure_x_tools
trap 'status=$?; rm -rf "$settings_dir"; (exit "$status"); stop_session' EXIT
start_xvfb

# Launch to shown (launch_app polls for the mapped window every 10 ms).
launched_ns=$(date +%s%N)
launch_app
shown_ns=$(date +%s%N)
echo "app: launch_to_shown_ms=$(((shown_ns - launched_ns) / 1000000))"

sleep 1
press_start
for ((step = 100; step < zoom; step += 100)); do
    xdotool key ctrl+equal
done
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
    -v zoom="$zoom" \
    'BEGIN { printf "app: zoom_percent=%d running_s=%.1f cpu_percent=%.2f peak_rss_kb=%d\n", zoom, wall / 1e9, 100 * cpu / hz / (wall / 1e9), peak }'
press_pause
kill "$app_pid" && wait "$app_pid" 2>/dev/null || true
app_pid=""

if ! figures="$(QT_QPA_PLATFORM=xcb timeout "$((seconds + 60))" "$probe" "$seconds" "$zoom" 2>/dev/null)"; then
    echo "The probe $probe failed or did not finish within $((seconds + 60)) s" >&2
    exit 1
fi
echo "probe: $figures"
