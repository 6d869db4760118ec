#!/usr/bin/env bash
# Photographs the running simulator under Xvfb at 96 dpi: launches it,
# presses Start, lets it run a few seconds and writes the window's client
# area to docs/screenshot.png. Options:
#   --scale N    run at QT_SCALE_FACTOR=N and write docs/screenshot-scaleN.png
#   --seconds S  how long to run before the photograph (default 6)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/xvfb-session.sh"

scale=1
seconds=6
while (($# > 0)); do
    case "$1" in
    --scale) scale="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    *) echo "usage: $0 [--scale N] [--seconds S]" >&2; exit 2 ;;
    esac
done
if [[ ! "$scale" =~ ^[0-9]+(\.[0-9]+)?$ ]] || ! awk -v s="$scale" 'BEGIN { exit !(s > 0) }'; then
    echo "--scale takes a number above 0, such as 2 or 1.5" >&2
    exit 2
fi

output="$root_dir/docs/screenshot.png"
if [[ "$scale" != 1 ]]; then
    output="$root_dir/docs/screenshot-scale$scale.png"
    export QT_SCALE_FACTOR="$scale"
fi

ensure_x_tools
trap stop_session EXIT
start_xvfb
launch_app
sleep 0.5
press_start
sleep "$seconds"
mkdir -p "$(dirname "$output")"
import -window "$window_id" "$output"
echo "Wrote $output"
