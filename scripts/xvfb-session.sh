# Shared by screenshot.sh and measure-window.sh (sourced, not run): installs
# what a headless X session needs when it is missing, starts Xvfb at 96 dpi,
# and offers helpers to launch the simulator and press its buttons.

root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
app="${TALBRIX_APP:-$root_dir/build/dev/app/talbrix}"

ensure_x_tools() {
    local missing=() package
    for package in xvfb xdotool imagemagick; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
    done
    ((${#missing[@]} == 0)) && return 0
    local sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

xvfb_pid=""
app_pid=""
own_runtime_dir=""

# Run as the EXIT trap: keeps the script's exit status.
stop_session() {
    local status=$?
    # Each step on its own: under set -e, a failing wait (a killed process
    # reports 143) would end the trap before the rest is cleaned up.
    if [[ -n "$app_pid" ]]; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    if [[ -n "$own_runtime_dir" ]]; then
        rm -rf "$own_runtime_dir"
    fi
    app_pid=""
    xvfb_pid=""
    own_runtime_dir=""
    return "$status"
}

# Starts an X server at 96 dpi on the first free display number.
start_xvfb() {
    local display_number=90
    while [[ -e "/tmp/.X11-unix/X$display_number" || -e "/tmp/.X$display_number-lock" ]]; do
        display_number=$((display_number + 1))
    done
    # -noreset: by default the server resets when its last client leaves,
    # and a client connecting during the reset (the simulator, right after
    # the readiness probe below) is refused.
    Xvfb ":$display_number" -screen 0 1920x1080x24 -dpi 96 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$display_number"
    if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
        own_runtime_dir="$(mktemp -d)" # removed again by stop_session
        export XDG_RUNTIME_DIR="$own_runtime_dir"
    fi
    local attempt
    for attempt in $(seq 100); do
        xdotool getmouselocation >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    echo "Xvfb did not start" >&2
    return 1
}

# Fails with a message when there is no simulator to launch.
check_app() {
    [[ -x "$app" ]] && return 0
    echo "No simulator at $app: build it first (bash scripts/run.sh, or set TALBRIX_APP)" >&2
    return 1
}

# Launches the simulator and waits until its window is mapped, polling every
# 10 ms; sets app_pid and window_id. Gives up with a message when the program
# ends first or shows no window within TALBRIX_LAUNCH_TIMEOUT seconds
# (default 60).
launch_app() {
    check_app || return 1
    QT_QPA_PLATFORM=xcb "$app" &
    app_pid=$!
    local limit="${TALBRIX_LAUNCH_TIMEOUT:-60}" started=$SECONDS stat status=0
    window_id=""
    until window_id="$(xdotool search --onlyvisible --name '^Talbrix Simulation$' 2>/dev/null | head -1)" \
        && [[ -n "$window_id" ]]; do
        # An ended child stays a zombie until waited for, so look at its state.
        stat="$(cat "/proc/$app_pid/stat" 2>/dev/null || true)"
        stat="${stat##*) }"
        if [[ -z "$stat" || "${stat:0:1}" == Z ]]; then
            wait "$app_pid" || status=$?
            app_pid=""
            echo "$app ended (status $status) before showing its window" >&2
            return 1
        fi
        if ((SECONDS - started >= limit)); then
            echo "$app showed no window within $limit s; giving up" >&2
            return 1
        fi
        sleep 0.01
    done
}

# Clicks a point given in the window's logical pixels, at the display scale,
# which may be fractional (QT_SCALE_FACTOR=1.25).
click_in_window() {
    local x y
    read -r x y < <(awk -v x="$1" -v y="$2" -v scale="${QT_SCALE_FACTOR:-1}" \
        'BEGIN { printf "%d %d\n", x * scale + 0.5, y * scale + 0.5 }')
    xdotool mousemove --window "$window_id" "$x" "$y" click 1
}

# The centres of Start (Command1) and Pause (Command2), in logical pixels.
press_start() { click_in_window 616 416; }
press_pause() { click_in_window 682 416; }
